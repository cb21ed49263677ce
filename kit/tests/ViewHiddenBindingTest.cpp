#include "kit/appkit/View.h"
#include "kit/core/Binding.h"
#include "kit/core/ValueTransformer.h"

#include <gtest/gtest.h>

namespace {

class ViewHiddenCounting : public kit::View {
public:
    int calls = 0;
    void setHidden(bool flag) override
    {
        ++calls;
        View::setHidden(flag);
    }
};

TEST(ViewHiddenBinding, HiddenIsAKeyThroughTheVirtualSetter)
{
    auto view = kit::make<ViewHiddenCounting>();
    view->setValueForKey(kit::Value(true), QStringLiteral("hidden"));
    EXPECT_TRUE(view->isHidden());
    EXPECT_EQ(view->calls, 1);
    EXPECT_TRUE(view->valueForKey(QStringLiteral("hidden")).boolValue());
}

TEST(ViewHiddenBinding, NegatedBindingFollowsTheSource)
{
    auto view = kit::make<kit::View>();
    auto source = kit::make<kit::View>();
    source->setHidden(true);
    kit::Dictionary options;
    options.setObjectForKey(kit::Value(kit::NegateBooleanTransformerName), kit::ValueTransformerNameBindingOption);
    view->bindToObjectWithKeyPathOptions(kit::HiddenBinding, source.get(), QStringLiteral("hidden"), options);
    EXPECT_FALSE(view->isHidden());
    auto shown = kit::make<kit::View>();
    view->bindToObjectWithKeyPathOptions(kit::HiddenBinding, shown.get(), QStringLiteral("hidden"), options);
    EXPECT_TRUE(view->isHidden());
    view->unbind(kit::HiddenBinding);
}

} // namespace
