// The keyboard on a focused tab bar view: a click on a tab gives the bar the keys, the keys that
// choose a tab, the Tab key through the selected tab's close button and the add button, and the
// ring that shows where the keyboard is.

#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Button.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

namespace {

// A delegate that counts the add button's presses.
class QVAddCounter : public kit::Object, public QVTabBarViewDelegate {
    KIT_CLASS(QVAddCounter)
public:
    int added = 0;
    void addNewTabToTabView(kit::TabView*) override { ++added; }
};

} // namespace

KIT_REGISTER_CLASS(QVAddCounter, kit::Object) { c.optionalOperations({ "addNewTabToTabView" }); }

namespace {

// The bar in a window over a push button, the window's other key view.
struct QVKeyboardBar {
    QVBarFixture f;
    kit::Ref<kit::Window> window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 300), kit::TitledWindowMask);
    kit::Ref<kit::Button> other = kit::make<kit::Button>(kit::MakeRect(400, 10, 80, 24));

    explicit QVKeyboardBar(int tabs, std::uint64_t orientation = QVTabBarHorizontalOrientation)
        : f(orientation == QVTabBarVerticalOrientation ? kit::MakeRect(0, 0, 130, 300) : kit::MakeRect(0, 278, 600, 22), tabs, false)
    {
        f.bar->setOrientation(orientation);
        window->contentView()->addSubview(f.bar.get());
        window->contentView()->addSubview(other.get());
        f.bar->updateAnimate(false);
        window->makeKeyAndOrderFront();
    }
    ~QVKeyboardBar() { kit::Application::resetForTesting(); }
    QString selected() const { return f.tabView->selectedTabViewItem() ? f.tabView->selectedTabViewItem()->label() : QString(); }
    void type(std::initializer_list<std::pair<std::uint16_t, std::uint64_t>> keys)
    {
        {
            kit::test::EventScript script(window.get());
            for (const auto& [code, flags] : keys)
                script.key(code, code == kit::KeyCodeSpace ? QStringLiteral(" ") : QString(), flags);
            script.run();
        }
        window->makeKeyWindow();
    }
    kit::Rect ringInBar() const { return f.bar->keyboardFocusRingRect(); }
};

TEST(QVTabBarKeyboard, AClickOnATabGivesTheBarTheKeysThatChooseTheTab)
{
    const struct {
        std::uint64_t orientation;
        std::uint16_t key;
        const char* selected;
    } cases[] = {
        { QVTabBarVerticalOrientation, kit::KeyCodeDownArrow, "Tab 3" },
        { QVTabBarVerticalOrientation, kit::KeyCodeUpArrow, "Tab 1" },
        { QVTabBarVerticalOrientation, kit::KeyCodeEnd, "Tab 4" },
        { QVTabBarHorizontalOrientation, kit::KeyCodeHome, "Tab 1" },
        { QVTabBarHorizontalOrientation, kit::KeyCodeRightArrow, "Tab 3" },
    };
    for (const auto& c : cases) {
        QVKeyboardBar b(4, c.orientation);
        const kit::Ref<QVAttachedTabBarButton> second = b.f.bar->orderedAttachedButtons().at(1);
        const kit::Point at = second->convertPointToView(kit::MakePoint(second->bounds().midX(), second->bounds().midY()), nullptr);
        {
            kit::test::EventScript script(b.window.get());
            script.click(at).key(c.key);
            script.run();
        }
        EXPECT_EQ(b.selected(), QString::fromLatin1(c.selected)) << "orientation " << c.orientation << ", key " << c.key;
    }
}

// Tab goes from the selected tab to its close button, then to the add button, then out of the
// bar; Space presses the button under the keyboard; Shift-Tab comes back the same way.
TEST(QVTabBarKeyboard, TabReachesTheCloseAndAddButtonsAndSpacePressesThem)
{
    QVKeyboardBar b(3);
    auto counter = kit::make<QVAddCounter>();
    b.f.bar->setDelegate(counter.get());
    for (int i = 0; i < 3; ++i)
        b.f.item(i)->setValueForKey(kit::Value(true), QStringLiteral("hasCloseButton"));
    b.f.bar->setShowAddTabButton(true);
    b.f.bar->updateAnimate(false);
    b.window->selectKeyViewFollowingView(nullptr);
    ASSERT_EQ(b.window->firstResponder().get(), b.f.bar.get());
    const kit::Ref<QVAttachedTabBarButton> first = b.f.bar->orderedAttachedButtons().at(0);
    EXPECT_EQ(b.ringInBar(), first->frame());

    b.type({ { kit::KeyCodeTab, 0 } });
    const kit::Rect close = first->convertRectToView(first->closeButton()->frame(), b.f.bar.get());
    EXPECT_TRUE(kit::ContainsRect(b.ringInBar(), close) && b.ringInBar().size.width < first->frame().size.width / 2) << "around the close button";
    b.type({ { kit::KeyCodeSpace, 0 } });
    EXPECT_EQ(b.f.tabView->numberOfTabViewItems(), 2) << "Space on the close button closes the tab";

    b.type({ { kit::KeyCodeTab, 0 } });
    EXPECT_EQ(b.ringInBar(), b.f.bar->addTabButton()->frame());
    b.type({ { kit::KeyCodeSpace, 0 } });
    EXPECT_EQ(counter->added, 1);

    b.type({ { kit::KeyCodeTab, 0 } });
    EXPECT_EQ(b.window->firstResponder().get(), b.other.get());
    EXPECT_TRUE(kit::IsEmptyRect(b.ringInBar()));
    b.type({ { kit::KeyCodeTab, kit::ShiftKeyMask } });
    EXPECT_EQ(b.window->firstResponder().get(), b.f.bar.get());
    EXPECT_EQ(b.ringInBar(), b.f.bar->addTabButton()->frame()) << "back in through the last stop";
}

// A click on a tab leaves no ring; an arrow after it rings the tab it chooses.
TEST(QVTabBarKeyboard, AnArrowAfterAClickShowsTheRing)
{
    QVKeyboardBar b(3);
    const kit::Ref<QVAttachedTabBarButton> second = b.f.bar->orderedAttachedButtons().at(1);
    const kit::Rect frame = second->frame();
    {
        kit::test::EventScript script(b.window.get());
        script.click(b.f.bar->convertPointToView(kit::MakePoint(frame.midX(), frame.midY()), nullptr)).run();
    }
    b.window->makeKeyWindow();
    ASSERT_EQ(b.window->firstResponder().get(), b.f.bar.get());
    EXPECT_TRUE(kit::IsEmptyRect(b.ringInBar())) << "clicked";
    b.type({ { kit::KeyCodeRightArrow, 0 } });
    EXPECT_EQ(b.ringInBar(), b.f.bar->orderedAttachedButtons().at(2)->frame()) << "an arrow after the click";
}

} // namespace
