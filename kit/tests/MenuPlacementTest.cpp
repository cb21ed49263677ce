#include "kit/controls/MenuPlacement.h"

#include "ControlsTestSupport.h"
#include "kit/appkit/Screen.h"
#include "kit/controls/PopUpButton.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

// Rectangles as text, so a failure shows them.
std::string text(Rect r)
{
    return QStringLiteral("(%1, %2, %3, %4)").arg(r.minX()).arg(r.minY()).arg(r.width()).arg(r.height()).toStdString();
}

TEST(Placement, AMenuTallerThanTheScreenGetsTheVisibleHeight)
{
    MenuPresentation where;
    where.screenRect = MakeRect(100, 300, 0, 0);
    const Rect visible = MakeRect(0, 40, 800, 560);
    const Rect frame = MenuFrameForPresentation(where, MenuMetrics { { 120, 6000 }, 0, 0 }, visible);
    EXPECT_EQ(text(frame), text(MakeRect(100, 40, 120, 560)));
}

struct MenuPlacementCase {
    const char* name;
    Rect anchor; // the control in screen coordinates; empty for a context menu at its origin
    bool flipped;
    RectEdge edge;
    double itemTop; // < 0: no positioned item
    Rect visible;
    Rect expected;
};

class Placement : public testing::TestWithParam<MenuPlacementCase> { };

// A 120 × 60 menu with 20-point items.
TEST_P(Placement, FrameFollowsTheEdgeAndStaysOnScreen)
{
    const MenuPlacementCase& c = GetParam();
    auto item = make<MenuItem>("Item", Selector(), "");
    MenuPresentation where;
    where.rect = IsEmptyRect(c.anchor) ? ZeroRect : MakeRect(0, 0, c.anchor.width(), c.anchor.height());
    where.screenRect = c.anchor;
    where.flipped = c.flipped;
    where.preferredEdge = c.edge;
    MenuMetrics metrics { { 120, 60 }, 0, 0 };
    if (c.itemTop >= 0) {
        where.positionedItem = item.get();
        metrics.positionedItemTop = c.itemTop;
        metrics.positionedItemHeight = 20;
    }
    EXPECT_EQ(text(MenuFrameForPresentation(where, metrics, c.visible)), text(c.expected)) << c.name;
}

constexpr Rect Visible = MakeRect(0, 0, 800, 600);
constexpr Rect NoScreen = MakeRect(0, 0, 0, 0);
constexpr Rect Anchor = MakeRect(100, 300, 80, 20);

INSTANTIATE_TEST_SUITE_P(Table, Placement,
    testing::Values(
        MenuPlacementCase { "MaxY of a flipped control is below", Anchor, true, MaxYEdge, -1, Visible, MakeRect(100, 240, 120, 60) },
        MenuPlacementCase { "MaxY of an unflipped control is above", Anchor, false, MaxYEdge, -1, Visible, MakeRect(100, 320, 120, 60) },
        MenuPlacementCase { "MinY of a flipped control is above", Anchor, true, MinYEdge, -1, Visible, MakeRect(100, 320, 120, 60) },
        MenuPlacementCase { "MinY of an unflipped control is below", Anchor, false, MinYEdge, -1, Visible, MakeRect(100, 240, 120, 60) },
        MenuPlacementCase { "MaxX is right, tops aligned", Anchor, true, MaxXEdge, -1, Visible, MakeRect(180, 260, 120, 60) },
        MenuPlacementCase { "MinX is left", MakeRect(300, 300, 80, 20), true, MinXEdge, -1, Visible, MakeRect(180, 260, 120, 60) },
        MenuPlacementCase { "no room left: right", Anchor, true, MinXEdge, -1, Visible, MakeRect(180, 260, 120, 60) },
        MenuPlacementCase { "without a screen nothing moves", Anchor, true, MinXEdge, -1, NoScreen, MakeRect(-20, 260, 120, 60) },
        MenuPlacementCase { "no room below: above", MakeRect(100, 30, 80, 20), true, MaxYEdge, -1, Visible, MakeRect(100, 50, 120, 60) },
        MenuPlacementCase { "no room above: below", MakeRect(100, 560, 80, 20), false, MaxYEdge, -1, Visible, MakeRect(100, 500, 120, 60) },
        MenuPlacementCase { "no room right: left", MakeRect(700, 300, 80, 20), true, MaxXEdge, -1, Visible, MakeRect(580, 260, 120, 60) },
        MenuPlacementCase {
            "pushed in from the right edge", MakeRect(750, 300, 40, 20), true, MaxYEdge, -1, Visible, MakeRect(680, 240, 120, 60) },
        MenuPlacementCase { "pop-up: first item over the control", Anchor, true, MaxYEdge, 0, Visible, MakeRect(100, 260, 120, 60) },
        MenuPlacementCase { "pop-up: third item over the control", Anchor, true, MaxYEdge, 40, Visible, MakeRect(100, 300, 120, 60) },
        MenuPlacementCase {
            "pop-up near the top is moved down", MakeRect(100, 580, 80, 20), true, MaxYEdge, 40, Visible, MakeRect(100, 540, 120, 60) },
        MenuPlacementCase {
            "context menu: top-left at the point", MakeRect(200, 200, 0, 0), false, MaxYEdge, -1, Visible, MakeRect(200, 140, 120, 60) },
        MenuPlacementCase {
            "wider than the screen: left edges meet", Anchor, true, MaxYEdge, -1, MakeRect(0, 0, 100, 600), MakeRect(0, 240, 120, 60) }),
    [](const testing::TestParamInfo<MenuPlacementCase>& info) { return "case" + std::to_string(info.index); });

// The real presenter opens the QMenu where the function says: below a flipped control, left
// edges aligned. Closed by a zero-delay timer.
TEST(QMenuPlacement, RealMenuOpensBelowThePullDown)
{
    ControlWindow w;
    auto button = make<PopUpButton>(MakeRect(20, 120, 100, 24), true);
    w.content->addSubview(button.get());
    auto menu = make<Menu>("Real");
    menu->addItemWithTitleActionKeyEquivalent("One", {}, {});
    menu->addItemWithTitleActionKeyEquivalent("Two", {}, {});
    QPoint opened(-1, -1);
    QTimer::singleShot(0, [&] {
        if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            opened = popup->geometry().topLeft();
            popup->close();
        }
    });
    MenuPresentation where;
    where.view = button.get();
    where.rect = button->bounds();
    where.preferredEdge = MaxYEdge;
    menu->runSession(where);
    const QRectF control = QtRectFromScreen(MenuAnchorInScreen(button.get(), button->bounds(), ZeroPoint));
    EXPECT_EQ(opened, QPoint(int(control.left()), int(control.bottom())));
}

TEST(QMenuPlacement, RealPopUpPutsTheSelectedItemOverTheButton)
{
    ControlWindow w;
    auto button = make<PopUpButton>(MakeRect(20, 100, 100, 24));
    button->addItemsWithTitles({ "One", "Two", "Three" });
    button->selectItemAtIndex(2);
    w.content->addSubview(button.get());
    double itemMiddle = -1;
    QTimer::singleShot(0, [&] {
        if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            itemMiddle = popup->geometry().top() + popup->actionGeometry(popup->actions().at(2)).center().y();
            popup->close();
        }
    });
    w.script->click(MakePoint(60, 112));
    w.script->run();
    const QRectF control = QtRectFromScreen(MenuAnchorInScreen(button.get(), button->bounds(), ZeroPoint));
    EXPECT_NEAR(itemMiddle, control.center().y(), 1.0);
}

} // namespace
