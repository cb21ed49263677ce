#pragma once

// Panes and a delegate that record what the preference window asks of them.

#include "JVLAppKit/JVLPreferenceWindowController/JVLPreferenceWindowController.h"

#include "kit/appkit/Application.h"
#include "kit/core/Class.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/testsupport/EventScript.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include <QHash>

#include <ostream>

#include <vector>

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

class PrefTestPane : public kit::Object, public JVLPrefPaneProtocol {
    KIT_CLASS(PrefTestPane)

    PrefTestPane() = default;
    PrefTestPane(QString identifier, kit::Size viewSize, std::vector<QString>* log, QString category = QStringLiteral(""))
        : identifier_(std::move(identifier))
        , category_(std::move(category))
        , log_(log)
    {
        if (viewSize.width > 0)
            view_ = kit::make<kit::View>(kit::MakeRect(0, 0, viewSize.width, viewSize.height));
    }

    QString identifier() const override { return identifier_; }
    kit::Ref<kit::View> mainView() override { return view_; }
    QString label() const override { return identifier_ + QStringLiteral(" label"); }
    kit::Ref<kit::Image> icon() const override { return nullptr; }
    QString category() const override { return category_; }
    unsigned sortOrder() const override { return sortOrder_; }
    void setSortOrder(unsigned order) override { sortOrder_ = order; }
    void willSelect() override { note("willSelect"); }
    void didSelect() override { note("didSelect"); }
    void willUnselect() override { note("willUnselect"); }
    void didUnselect() override { note("didUnselect"); }

private:
    void note(const char* what)
    {
        if (log_)
            log_->push_back(identifier_ + u' ' + QString::fromUtf8(what));
    }
    QString identifier_;
    QString category_;
    kit::Ref<kit::View> view_;
    std::vector<QString>* log_ = nullptr;
    unsigned sortOrder_ = 0;
};

class PrefTestDelegate : public kit::Object, public JVLPreferenceWindowControllerDelegate {
    KIT_CLASS(PrefTestDelegate)

    bool shouldLoadPreferencePane(const QString& id) override
    {
        note("shouldLoad " + id);
        return !vetoed.contains(id);
    }
    void didLoadPreferencePane(const QString& id) override { note("didLoad " + id); }
    void willSelectPreferencePane(const QString& id) override { note("delegate willSelect " + id); }
    void didUnselectPreferencePane(const QString& id) override { note("delegate didUnselect " + id); }
    QString displayNameForCategory(const QString& category) override { return displayNames.value(category); }

    std::vector<QString>* log = nullptr;
    QStringList vetoed;
    QHash<QString, QString> displayNames;

private:
    void note(const QString& line)
    {
        if (log)
            log->push_back(line);
    }
};

// Records the icons whose click reached it.
class PrefTestOpener : public kit::Object {
    KIT_CLASS(PrefTestOpener)

    void openPane(kit::Object* sender);
    QStringList opened;
};

// A fresh shared controller per test, private defaults, and window resizes animated on a script's clock.
class PrefWindowFixture : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        kit::UserDefaults::resetStandardUserDefaultsForTesting(dir.filePath("defaults.json"));
        kit::Application::resetForTesting();
        script = std::make_unique<kit::test::EventScript>(scriptWindow.get());
        JVLPreferenceWindowController::resetSharedForTesting();
        controller = JVLPreferenceWindowController::sharedPreferenceWindowController();
    }
    void TearDown() override
    {
        controller = nullptr;
        JVLPreferenceWindowController::resetSharedForTesting();
        script.reset();
        kit::UserDefaults::resetStandardUserDefaultsForTesting();
        kit::Application::resetForTesting();
    }

    kit::Ref<kit::Window> scriptWindow = kit::make<kit::Window>();
    std::unique_ptr<kit::test::EventScript> script;
    QTemporaryDir dir;
    kit::Ref<JVLPreferenceWindowController> controller;
};
