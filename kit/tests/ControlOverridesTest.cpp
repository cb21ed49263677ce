// Subclasses reach through the base: a button's own setTitle through key-value coding and the
// "title" binding, a progress indicator's own start and stop through the base and "animate".

#include "kit/controls/Button.h"
#include "kit/controls/ProgressIndicator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace kit;

class TitleLoggingButton : public Button {
public:
    using Button::Button;
    void setTitle(const QString& title) override
    {
        titles.push_back(title.toStdString());
        Button::setTitle(title);
    }
    std::vector<std::string> titles;
};

class TitleModel : public Object {
    KIT_CLASS(TitleModel)
    QString name() const { return name_; }
    void setName(const QString& n) { setValueNotifying(QStringLiteral("name"), name_, n); }

private:
    QString name_ = QStringLiteral("first");
};

KIT_REGISTER_CLASS(TitleModel, Object) { c.property("name", &TitleModel::name, &TitleModel::setName); }

TEST(ButtonTitleOverride, IsReachedByKeyValueCodingAndTheTitleBinding)
{
    auto button = make<TitleLoggingButton>(MakeRect(0, 0, 80, 20));
    button->setValueForKey(Value(QStringLiteral("by key")), QStringLiteral("title"));
    auto model = make<TitleModel>();
    button->bindToObjectWithKeyPathOptions(QStringLiteral("title"), model.get(), QStringLiteral("name"), {});
    model->setName(QStringLiteral("second"));
    EXPECT_EQ(button->titles, (std::vector<std::string> { "by key", "first", "second" }));
    EXPECT_EQ(button->title(), QStringLiteral("second"));
    button->unbind(QStringLiteral("title"));
}

class CountingIndicator : public ProgressIndicator {
public:
    using ProgressIndicator::ProgressIndicator;
    void startAnimation(Object* sender) override
    {
        ++starts;
        ProgressIndicator::startAnimation(sender);
    }
    void stopAnimation(Object* sender) override
    {
        ++stops;
        ProgressIndicator::stopAnimation(sender);
    }
    int starts = 0;
    int stops = 0;
};

TEST(ProgressIndicatorOverride, StartAndStopAreReachedThroughTheBaseAndTheAnimateKey)
{
    auto indicator = make<CountingIndicator>(MakeRect(0, 0, 16, 16));
    ProgressIndicator* base = indicator.get();
    base->startAnimation();
    EXPECT_TRUE(indicator->isAnimating());
    indicator->setValueForKey(Value(false), QStringLiteral("animate"));
    EXPECT_FALSE(indicator->isAnimating());
    indicator->setValueForKey(Value(true), QStringLiteral("animate"));
    base->stopAnimation();
    EXPECT_EQ(indicator->starts, 2);
    EXPECT_EQ(indicator->stops, 2);
}

} // namespace
