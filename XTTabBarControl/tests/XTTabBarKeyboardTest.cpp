// The keyboard on a focused bar: the keys that choose a tab, the Tab key through the selected
// tab, its close button and the add button, and the focus ring that shows where the keyboard is.

#include "XTTabBarControl/tests/XTTabBarWindowSupport.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/controls/Button.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

namespace {

// Counts the presses of the button it is the target of.
class XTPressCounter : public kit::Object {
    KIT_CLASS(XTPressCounter)
public:
    int presses = 0;
    void press(kit::Object*) { ++presses; }
};

} // namespace

KIT_REGISTER_CLASS(XTPressCounter, kit::Object) { c.action("press", &XTPressCounter::press); }

namespace {

// The bar over its tab view, a push button below it as the window's other key view.
struct XTKeyboardBar {
    XTWindowFixture f;
    kit::Ref<kit::Button> other = kit::make<kit::Button>(kit::MakeRect(10, 10, 80, 24));

    explicit XTKeyboardBar(int tabs, int orientation = XTTabBarHorizontalOrientation)
        : f(kit::MakeRect(100, 100, 434, 300), orientation == XTTabBarVerticalOrientation ? kit::MakeRect(0, 0, 120, 300) : kit::MakeRect(0, 278, 434, 22),
            orientation == XTTabBarVerticalOrientation ? kit::MakeRect(120, 40, 314, 260) : kit::MakeRect(0, 40, 434, 238), tabs, orientation)
    {
        other->setTitle(QStringLiteral("Other"));
        f.container->addSubview(other.get());
        f.bar->update(false);
        f.window->makeKeyAndOrderFront();
    }
    QString selected() const { return f.tabView->selectedTabViewItem() ? f.tabView->selectedTabViewItem()->label() : QString(); }
    // The keys one by one, as typed; the window stays key.
    void type(std::initializer_list<std::pair<std::uint16_t, std::uint64_t>> keys)
    {
        {
            kit::test::EventScript script(f.window.get());
            for (const auto& [code, flags] : keys)
                script.key(code, code == kit::KeyCodeSpace ? QStringLiteral(" ") : QString(), flags);
            script.run();
        }
        f.window->makeKeyWindow();
    }
};

TEST(XTTabBarKeyboard, HomeEndAndTheArrowsAlongTheBarChooseTheTab)
{
    const struct {
        int orientation;
        std::uint16_t key;
        const char* selected;
    } cases[] = {
        { XTTabBarHorizontalOrientation, kit::KeyCodeHome, "Tab 0" },
        { XTTabBarHorizontalOrientation, kit::KeyCodeEnd, "Tab 3" },
        { XTTabBarHorizontalOrientation, kit::KeyCodeRightArrow, "Tab 2" },
        { XTTabBarVerticalOrientation, kit::KeyCodeDownArrow, "Tab 2" },
        { XTTabBarVerticalOrientation, kit::KeyCodeUpArrow, "Tab 0" },
        { XTTabBarVerticalOrientation, kit::KeyCodeEnd, "Tab 3" },
    };
    for (const auto& c : cases) {
        XTKeyboardBar b(4, c.orientation);
        b.f.tabView->selectTabViewItemAtIndex(1);
        ASSERT_TRUE(b.f.window->makeFirstResponder(b.f.bar.get()));
        b.type({ { c.key, 0 } });
        EXPECT_EQ(b.selected(), QString::fromLatin1(c.selected)) << "orientation " << c.orientation << ", key " << c.key;
        EXPECT_EQ(b.f.window->firstResponder().get(), b.f.bar.get());
    }
}

// Tab goes from the selected tab to its close button, then to the add button, then out of the
// bar; Space presses the button under the keyboard; Shift-Tab comes back the same way. The ring
// follows the keyboard.
TEST(XTTabBarKeyboard, TabReachesTheCloseAndAddButtonsAndSpacePressesThem)
{
    XTKeyboardBar b(3);
    b.f.bar->setShowAddTabButton(true);
    auto added = kit::make<XTPressCounter>();
    b.f.bar->addTabButton()->setTarget(added.get());
    b.f.bar->addTabButton()->setAction("press");
    b.f.window->selectKeyViewFollowingView(nullptr);
    ASSERT_EQ(b.f.window->firstResponder().get(), b.f.bar.get());
    const kit::Rect tab0 = b.f.bar->cells()[0]->frame();
    EXPECT_EQ(b.f.bar->keyboardFocusRingRect(), tab0);

    b.type({ { kit::KeyCodeTab, 0 } });
    const kit::Rect ring = b.f.bar->keyboardFocusRingRect();
    EXPECT_TRUE(kit::ContainsRect(ring, b.f.bar->cells()[0]->closeButtonRectForFrame(tab0)) && ring.size.width < tab0.size.width / 2)
        << "around the close button";
    b.type({ { kit::KeyCodeSpace, 0 } });
    EXPECT_EQ(b.f.tabView->numberOfTabViewItems(), 2) << "Space on the close button closes the tab";

    b.type({ { kit::KeyCodeTab, 0 } });
    EXPECT_EQ(b.f.bar->keyboardFocusRingRect(), b.f.bar->addTabButton()->frame());
    b.type({ { kit::KeyCodeSpace, 0 } });
    EXPECT_EQ(added->presses, 1);

    b.type({ { kit::KeyCodeTab, 0 } });
    EXPECT_EQ(b.f.window->firstResponder().get(), b.other.get());
    EXPECT_TRUE(kit::IsEmptyRect(b.f.bar->keyboardFocusRingRect()));

    b.type({ { kit::KeyCodeTab, kit::ShiftKeyMask } });
    EXPECT_EQ(b.f.window->firstResponder().get(), b.f.bar.get());
    EXPECT_EQ(b.f.bar->keyboardFocusRingRect(), b.f.bar->addTabButton()->frame()) << "back in through the last stop";
}

// The ring shows only for the keyboard: a click on the bar leaves none; a selected tab behind the
// overflow button puts the ring on that button.
TEST(XTTabBarKeyboard, TheRingIsTheKeyboardsAndStandsOnTheOverflowButtonForAHiddenTab)
{
    XTKeyboardBar b(8);
    b.f.window->selectKeyViewFollowingView(nullptr);
    ASSERT_EQ(b.f.window->firstResponder().get(), b.f.bar.get());
    b.type({ { kit::KeyCodeEnd, 0 } });
    ASSERT_TRUE(b.f.bar->cells().back()->isInOverflowMenu());
    EXPECT_EQ(b.f.bar->keyboardFocusRingRect(), b.f.bar->overflowPopUpButton()->frame());
    auto another = kit::make<kit::Window>(kit::MakeRect(600, 100, 100, 100), kit::TitledWindowMask);
    another->makeKeyAndOrderFront();
    EXPECT_TRUE(kit::IsEmptyRect(b.f.bar->keyboardFocusRingRect())) << "only in the key window";
}

// A click on a tab leaves no ring; an arrow after it rings the tab it chooses.
TEST(XTTabBarKeyboard, AnArrowAfterAClickShowsTheRing)
{
    XTKeyboardBar b(3);
    const kit::Rect second = b.f.bar->cells()[1]->frame();
    {
        kit::test::EventScript script(b.f.window.get());
        script.click(b.f.bar->convertPointToView(kit::MakePoint(second.midX(), second.midY()), nullptr)).run();
    }
    b.f.window->makeKeyWindow();
    ASSERT_EQ(b.f.window->firstResponder().get(), b.f.bar.get());
    EXPECT_TRUE(kit::IsEmptyRect(b.f.bar->keyboardFocusRingRect())) << "clicked";
    b.type({ { kit::KeyCodeRightArrow, 0 } });
    EXPECT_EQ(b.f.bar->keyboardFocusRingRect(), b.f.bar->cells()[2]->frame()) << "an arrow after the click";
}

} // namespace

