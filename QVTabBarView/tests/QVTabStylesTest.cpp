#include "QVTabBarView/QVAquaTabStyle.h"
#include "QVTabBarView/QVCardTabStyle.h"
#include "QVTabBarView/QVFlatTabStyle.h"
#include "QVTabBarView/QVGlassTabStyle.h"
#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/QVPebbleTabStyle.h"
#include "QVTabBarView/QVUnifiedTabStyle.h"
#include "kit/foundation/Bundle.h"
#include "kit/graphics/ImageRep.h"
#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/RecordingBackend.h"
#include "kit/testsupport/ScriptedMenuPresenter.h"

#include <QAccessible>

#include <gtest/gtest.h>

#include <set>

namespace {

// Every optional hook, in the protocol's order.
const std::vector<std::string>& qvStylesAllHooks()
{
    static const std::vector<std::string> hooks { "supportsOrientationForTabBarView", "leftMarginForTabBarView", "rightMarginForTabBarView",
        "topMarginForTabBarView", "bottomMarginForTabBarView", "addTabButtonSizeForTabBarView", "addTabButtonRectForTabBarView",
        "overflowButtonSizeForTabBarView", "overflowButtonRectForTabBarView", "heightOfTabBarButtonsForTabBarView", "updateAddButtonOfTabBarView",
        "updateOverflowPopUpButtonOfTabBarView", "attributedObjectCountStringValueForTabCell", "attributedStringValueForTabCell",
        "minimumWidthOfTabCell", "desiredWidthOfTabCell", "updateCloseButtonOfTabCell", "closeButtonImageOfTypeForTabCell",
        "drawingRectForBoundsOfTabCell", "closeButtonSizeForBoundsOfTabCell", "closeButtonRectForBoundsOfTabCell", "titleRectForBoundsOfTabCell",
        "iconRectForBoundsOfTabCell", "largeImageRectForBoundsOfTabCell", "indicatorRectForBoundsOfTabCell", "objectCounterSizeOfTabCell",
        "objectCounterRectForBoundsOfTabCell", "drawTabBarViewInRect", "drawBezelOfTabBarViewInRect", "drawButtonBezelsOfTabBarViewInRect",
        "drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect", "drawBezelOfOverflowButtonOfTabBarViewInRect",
        "drawInteriorOfTabBarViewInRect", "drawTabBarCellWithFrameInView", "drawBezelOfTabCellWithFrameInView", "drawInteriorOfTabCellWithFrameInView",
        "drawTitleOfTabCellWithFrameInView", "drawIconOfTabCellWithFrameInView", "drawLargeImageOfTabCellWithFrameInView",
        "drawIndicatorOfTabCellWithFrameInView", "drawObjectCounterOfTabCellWithFrameInView", "drawCloseButtonOfTabCellWithFrameInView",
        "draggingRectForTabButtonOfTabBarView" };
    return hooks;
}

struct QVStyleHooksCase {
    const char* style;
    std::set<std::string> hooks;
};

class QVStyleHooks : public testing::TestWithParam<QVStyleHooksCase> { };

TEST_P(QVStyleHooks, RegistersExactlyItsHooks)
{
    auto style = QVTabStyle::makeStyleNamed(QString::fromUtf8(GetParam().style));
    ASSERT_TRUE(style);
    EXPECT_EQ(style->name(), QString::fromUtf8(GetParam().style));
    for (const std::string& hook : qvStylesAllHooks())
        EXPECT_EQ(style->implements(hook.c_str()), GetParam().hooks.count(hook) != 0) << hook;
}

INSTANTIATE_TEST_SUITE_P(Styles, QVStyleHooks,
    testing::Values(
        QVStyleHooksCase { "Aqua",
            { "leftMarginForTabBarView", "rightMarginForTabBarView", "topMarginForTabBarView", "closeButtonImageOfTypeForTabCell",
                "drawBezelOfTabBarViewInRect", "drawBezelOfOverflowButtonOfTabBarViewInRect", "drawBezelOfTabCellWithFrameInView" } },
        QVStyleHooksCase { "Unified",
            { "supportsOrientationForTabBarView", "leftMarginForTabBarView", "rightMarginForTabBarView", "topMarginForTabBarView",
                "closeButtonImageOfTypeForTabCell", "drawBezelOfTabBarViewInRect",
                "drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect", "drawBezelOfOverflowButtonOfTabBarViewInRect",
                "drawBezelOfTabCellWithFrameInView", "draggingRectForTabButtonOfTabBarView" } },
        QVStyleHooksCase { "Pebble",
            { "leftMarginForTabBarView", "rightMarginForTabBarView", "topMarginForTabBarView", "heightOfTabBarButtonsForTabBarView",
                "closeButtonImageOfTypeForTabCell", "drawingRectForBoundsOfTabCell", "closeButtonRectForBoundsOfTabCell",
                "titleRectForBoundsOfTabCell", "iconRectForBoundsOfTabCell", "largeImageRectForBoundsOfTabCell", "indicatorRectForBoundsOfTabCell",
                "objectCounterRectForBoundsOfTabCell", "drawBezelOfTabBarViewInRect",
                "drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect", "drawBezelOfOverflowButtonOfTabBarViewInRect",
                "drawBezelOfTabCellWithFrameInView", "drawIconOfTabCellWithFrameInView", "drawObjectCounterOfTabCellWithFrameInView",
                "drawCloseButtonOfTabCellWithFrameInView", "draggingRectForTabButtonOfTabBarView" } },
        QVStyleHooksCase { "Glass",
            { "supportsOrientationForTabBarView", "leftMarginForTabBarView", "rightMarginForTabBarView", "addTabButtonSizeForTabBarView",
                "addTabButtonRectForTabBarView", "overflowButtonRectForTabBarView", "updateAddButtonOfTabBarView",
                "closeButtonImageOfTypeForTabCell", "drawingRectForBoundsOfTabCell", "closeButtonRectForBoundsOfTabCell",
                "drawBezelOfTabBarViewInRect", "drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect",
                "drawBezelOfOverflowButtonOfTabBarViewInRect", "drawBezelOfTabCellWithFrameInView", "draggingRectForTabButtonOfTabBarView" } },
        QVStyleHooksCase { "Card",
            { "supportsOrientationForTabBarView", "leftMarginForTabBarView", "rightMarginForTabBarView", "topMarginForTabBarView",
                "overflowButtonRectForTabBarView", "heightOfTabBarButtonsForTabBarView", "closeButtonImageOfTypeForTabCell",
                "drawBezelOfTabBarViewInRect", "drawBezelOfOverflowButtonOfTabBarViewInRect", "drawBezelOfTabCellWithFrameInView",
                "draggingRectForTabButtonOfTabBarView" } },
        QVStyleHooksCase { "Flat",
            { "supportsOrientationForTabBarView", "leftMarginForTabBarView", "rightMarginForTabBarView", "topMarginForTabBarView",
                "attributedObjectCountStringValueForTabCell", "attributedStringValueForTabCell", "closeButtonImageOfTypeForTabCell",
                "closeButtonRectForBoundsOfTabCell", "titleRectForBoundsOfTabCell", "iconRectForBoundsOfTabCell", "largeImageRectForBoundsOfTabCell",
                "indicatorRectForBoundsOfTabCell", "objectCounterRectForBoundsOfTabCell", "drawBezelOfTabBarViewInRect",
                "drawBezelOfOverflowButtonOfTabBarViewInRect", "drawBezelOfTabCellWithFrameInView", "draggingRectForTabButtonOfTabBarView" } }));

struct QVStyleMetricsCase {
    const char* style;
    bool vertical; // the style keeps a vertical bar vertical
    double left, right, top, buttonHeight; // of a horizontal bar
};

class QVStyleMetrics : public testing::TestWithParam<QVStyleMetricsCase> { };

TEST_P(QVStyleMetrics, AnswersItsMarginsAndOrientations)
{
    const QVStyleMetricsCase& c = GetParam();
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 2, false);
    f.bar->setOrientation(QVTabBarVerticalOrientation);
    f.bar->setStyleNamed(QString::fromUtf8(c.style));
    ASSERT_EQ(f.bar->styleName(), QString::fromUtf8(c.style));
    EXPECT_EQ(f.bar->orientation() == QVTabBarVerticalOrientation, c.vertical);
    f.bar->setOrientation(QVTabBarHorizontalOrientation);
    EXPECT_EQ(f.bar->leftMargin(), c.left);
    EXPECT_EQ(f.bar->rightMargin(), c.right);
    EXPECT_EQ(f.bar->topMargin(), c.top);
    EXPECT_EQ(f.bar->heightOfTabBarButtons(), c.buttonHeight);
    const auto style = f.bar->style();
    EXPECT_FALSE(style->closeButtonImageOfTypeForTabCell(6, nullptr));
    for (std::uint64_t type = 0; type <= 5; ++type)
        EXPECT_TRUE(style->closeButtonImageOfTypeForTabCell(type, nullptr)) << type;
}

INSTANTIATE_TEST_SUITE_P(Styles, QVStyleMetrics,
    testing::Values(QVStyleMetricsCase { "Aqua", true, 0, 0, 0, 22 }, QVStyleMetricsCase { "Unified", false, 0, 0, 0, 22 },
        QVStyleMetricsCase { "Pebble", true, 3, 3, 0, 22 }, QVStyleMetricsCase { "Card", false, 3, 3, 2, 20 },
        QVStyleMetricsCase { "Flat", false, 5, 5, 0, 22 }, QVStyleMetricsCase { "Glass", false, 6, 6, 0, 22 }));

// With tabs that do not fit, every style shows the whole chevron inside the overflow button (14
// points wide, as high as the style makes it), and a screen reader finds the button after the tabs: a menu
// button that opens the menu of the hidden tabs.
class QVStyleOverflowButton : public testing::TestWithParam<const char*> { };

TEST_P(QVStyleOverflowButton, ShowsItsChevronAndIsAButtonForTheHiddenTabs)
{
    QVBarFixture f(kit::MakeRect(0, 278, 434, 22), 8, false);
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 434, 300), kit::TitledWindowMask);
    window->contentView()->addSubview(f.bar.get());
    f.bar->setStyleNamed(QString::fromUtf8(GetParam()));
    f.bar->setShowAddTabButton(true);
    f.tabView->selectTabViewItemAtIndex(7);
    f.bar->updateAnimate(false);
    const kit::Ref<QVOverflowPopUpButton> button = f.bar->overflowPopUpButton();
    ASSERT_TRUE(button && f.bar->isOverflowButtonVisible());
    EXPECT_EQ(button->frame(), f.bar->overflowButtonRect());
    EXPECT_EQ(button->frame().size.width, 14);
    EXPECT_GE(button->frame().size.height, 20);
    const kit::Ref<kit::Image> chevron = button->image();
    ASSERT_TRUE(chevron);
    const kit::Rect drawn = button->overflowCell()->_imageRectForBoundsForImage(button->bounds(), chevron.get());
    EXPECT_EQ(drawn.size, chevron->size());
    EXPECT_TRUE(kit::ContainsRect(button->bounds(), drawn)) << "at x " << drawn.origin.x << ", " << drawn.size.width << " wide";
    // And it is drawn: dark strokes in the button's middle rows.
    window->orderFront();
    window->display();
    const QImage shot = window->snapshot();
    ASSERT_FALSE(shot.isNull());
    const double scale = shot.width() / 434.0;
    const kit::Rect inWindow = f.bar->convertRectToView(button->frame(), nullptr);
    int dark = 0;
    for (double y = inWindow.minY() + 6; y < inWindow.maxY() - 6; y += 1)
        for (double x = inWindow.minX(); x < inWindow.maxX(); x += 1)
            dark += shot.pixelColor(int(x * scale), shot.height() - 1 - int(y * scale)).lightness() < 120 ? 1 : 0;
    EXPECT_GE(dark, 8) << "the chevron's strokes";
    // No tab covers it.
    for (const kit::Ref<QVAttachedTabBarButton>& tab : f.bar->orderedAttachedButtons())
        EXPECT_FALSE(kit::IntersectsRect(tab->frame(), button->frame())) << tab->title().toStdString() << " " << tab->frame().origin.x << "+" << tab->frame().size.width << " over " << button->frame().origin.x;

    QAccessibleInterface* bar = kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(f.bar)));
    ASSERT_TRUE(bar);
    const int shown = int(f.bar->orderedAttachedButtons().size());
    ASSERT_LT(shown, 8);
    ASSERT_EQ(bar->childCount(), shown + 2) << "the tabs, the pull-down, the add button";
    QAccessibleInterface* more = bar->child(shown);
    EXPECT_EQ(more->role(), QAccessible::ButtonMenu);
    EXPECT_EQ(more->text(QAccessible::Name), QStringLiteral("More Tabs"));
    EXPECT_FALSE(more->state().invisible || more->state().offscreen);
    kit::test::MenuScope menus;
    kit::AccessibilityPerformAction(button->accessibilityElement(), kit::AccessibilityPressAction);
    ASSERT_EQ(menus.presenter->sessions.size(), 1u);
    EXPECT_TRUE(menus.presenter->sessions[0].titles.contains(QStringLiteral("Tab 8")));
}

INSTANTIATE_TEST_SUITE_P(Styles, QVStyleOverflowButton, testing::Values("Metal", "Aqua", "Unified", "Pebble", "Card", "Flat", "Glass"));

TEST(QVStyleRegistry, TheSevenStylesRegisterInTheirOrder)
{
    EXPECT_EQ(QVTabStyle::registeredTabStyleNames(),
        QStringList({ QStringLiteral("Aqua"), QStringLiteral("Unified"), QStringLiteral("Pebble"), QStringLiteral("Metal"), QStringLiteral("Card"),
            QStringLiteral("Flat"), QStringLiteral("Glass") }));
}

TEST(QVStyleMetricsVertical, PebbleTabsAreTallerAndItsMarginsMoveToTheTop)
{
    QVBarFixture f(kit::MakeRect(0, 0, 120, 300), 2, false);
    f.bar->setOrientation(QVTabBarVerticalOrientation);
    f.bar->setStyleNamed(QStringLiteral("Pebble"));
    ASSERT_EQ(f.bar->orientation(), QVTabBarVerticalOrientation);
    EXPECT_EQ(f.bar->heightOfTabBarButtons(), 28);
    EXPECT_EQ(f.bar->leftMargin(), 0);
    EXPECT_EQ(f.bar->topMargin(), 10);
}

struct QVStyleDraggingCase {
    const char* style;
    kit::Rect expected; // of an unselected button at (10, 0, 100, 22)
    kit::Rect withoutButton = kit::MakeRect(0, 0, 1, 0);
};

class QVStyleDragging : public testing::TestWithParam<QVStyleDraggingCase> { };

TEST_P(QVStyleDragging, WidensTheStackingFrame)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 2, false);
    f.bar->setStyleNamed(QString::fromUtf8(GetParam().style));
    auto button = f.bar->orderedAttachedButtons()[1];
    button->setStackingFrame(kit::MakeRect(10, 0, 100, 22));
    EXPECT_EQ(f.bar->style()->draggingRectForTabButtonOfTabBarView(button.get(), f.bar.get()), GetParam().expected);
    EXPECT_EQ(f.bar->style()->draggingRectForTabButtonOfTabBarView(nullptr, f.bar.get()), GetParam().withoutButton);
}

INSTANTIATE_TEST_SUITE_P(Styles, QVStyleDragging,
    testing::Values(QVStyleDraggingCase { "Card", kit::MakeRect(10, 0, 101, 22) }, QVStyleDraggingCase { "Flat", kit::MakeRect(10, 0, 101, 22) },
        QVStyleDraggingCase { "Unified", kit::MakeRect(10, 0, 101, 22) }, QVStyleDraggingCase { "Glass", kit::MakeRect(10, 0, 101, 22) },
        QVStyleDraggingCase { "Pebble", kit::MakeRect(10, 0, 100, 22), kit::ZeroRect }));

TEST(QVStyleDraggingSelected, PebbleAndGlassShortenTheSelectedTab)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 2, false);
    f.bar->setStyleNamed(QStringLiteral("Pebble"));
    auto selected = f.bar->orderedAttachedButtons().front();
    ASSERT_EQ(selected->state(), kit::OnState);
    selected->setStackingFrame(kit::MakeRect(10, 0, 100, 22));
    EXPECT_EQ(f.bar->style()->draggingRectForTabButtonOfTabBarView(selected.get(), f.bar.get()), kit::MakeRect(10, 0, 101, 20));
    f.bar->setStyleNamed(QStringLiteral("Glass"));
    selected = f.bar->orderedAttachedButtons().front();
    selected->setStackingFrame(kit::MakeRect(10, 0, 100, 22));
    EXPECT_EQ(f.bar->style()->draggingRectForTabButtonOfTabBarView(selected.get(), f.bar.get()), kit::MakeRect(10, 0, 101, 20));
}

TEST(QVStyleSettings, FlatMarginAndCardInsetMoveBothEnds)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 2, false);
    auto flat = kit::make<QVFlatTabStyle>();
    flat->setLeftMarginForTabBarView(8);
    f.bar->setStyle(flat);
    EXPECT_EQ(f.bar->leftMargin(), 8);
    EXPECT_EQ(f.bar->rightMargin(), 8);
    EXPECT_EQ(flat->leftMarginForTabBarView(nullptr), 8);
    auto card = kit::make<QVCardTabStyle>();
    card->setHorizontalInset(10);
    card->setTopMargin(7); // stored only
    f.bar->setStyle(card);
    EXPECT_EQ(f.bar->leftMargin(), 10);
    EXPECT_EQ(f.bar->rightMargin(), 10);
    EXPECT_EQ(f.bar->topMargin(), 2);
    EXPECT_EQ(card->topMargin(), 7);
}

TEST(QVStyleSettings, CardOverflowButtonSitsBelowTheTopMargin)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 2, false);
    f.bar->setStyleNamed(QStringLiteral("Card"));
    const kit::Rect base = f.bar->_overflowButtonRect();
    const kit::Rect r = f.bar->style()->overflowButtonRectForTabBarView(f.bar.get());
    EXPECT_EQ(r, kit::MakeRect(base.origin.x, base.origin.y + 2, base.size.width, base.size.height - 2));
}

TEST(QVFlatLayout, PartsStandFromTheRightCloseIndicatorCounterTitle)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 1, false);
    f.bar->setStyleNamed(QStringLiteral("Flat"));
    auto cell = f.bar->orderedAttachedButtons().front()->tabCell();
    cell->setHasCloseButton(true);
    cell->setSuppressCloseButton(false); // a lone tab keeps its close button here
    cell->setIsProcessing(true);
    cell->setShowObjectCount(true);
    cell->setObjectCount(42);
    const kit::Rect bounds = kit::MakeRect(0, 0, 200, 22);
    const kit::Rect d = cell->drawingRectForBounds(bounds);
    const kit::Rect close = cell->closeButtonRectForBounds(bounds);
    const kit::Rect indicator = cell->indicatorRectForBounds(bounds);
    const kit::Rect counter = cell->objectCounterRectForBounds(bounds);
    const kit::Rect title = cell->titleRectForBounds(bounds);
    ASSERT_FALSE(kit::IsEmptyRect(close));
    ASSERT_FALSE(kit::IsEmptyRect(counter));
    EXPECT_EQ(close.maxX(), d.maxX());
    EXPECT_EQ(indicator.size, kit::MakeSize(16, 16));
    EXPECT_EQ(indicator.maxX(), close.minX() - 4);
    EXPECT_EQ(counter.maxX(), indicator.minX() - 4);
    EXPECT_EQ(title.maxX(), counter.minX() - 4);
    EXPECT_EQ(title.minX(), d.minX());
}

TEST(QVFlatLayout, ANegativeCountReadsSigned)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 1, false);
    f.bar->setStyleNamed(QStringLiteral("Flat"));
    auto cell = f.bar->orderedAttachedButtons().front()->tabCell();
    cell->setObjectCount(-3);
    EXPECT_EQ(f.bar->style()->attributedObjectCountStringValueForTabCell(cell).string(), QStringLiteral("-3"));
}

// A flipped context recording what a style draws.
struct QVStylesRecorder {
    std::shared_ptr<kit::RecordingBackend> backend = std::make_shared<kit::RecordingBackend>(QSize(600, 60));
    kit::Ref<kit::GraphicsContext> context = kit::GraphicsContext::graphicsContextWithBackend(backend, true);
    kit::GraphicsContext::Scope scope { context };
};

TEST(QVFlatDrawing, AnInactiveBarIsOnlyItsTopLine)
{
    QVBarFixture f(kit::MakeRect(0, 0, 300, 22), 0, false);
    f.bar->setStyleNamed(QStringLiteral("Flat"));
    QVStylesRecorder r;
    f.bar->style()->drawBezelOfTabBarViewInRect(f.bar.get(), f.bar->bounds());
    ASSERT_EQ(r.backend->records.size(), 1u);
    EXPECT_EQ(r.backend->records[0].kind, kit::DrawRecord::Kind::Stroke);
    EXPECT_EQ(r.backend->records[0].elements().toStdString(), "M 0 0.5 L 300 0.5");
    EXPECT_EQ(r.backend->records[0].color(), QColor::fromRgbF(0.576f, 0.576f, 0.576f).toRgb());
}

TEST(QVFlatDrawing, AnUnselectedTabWithoutBaselineIsOnlyOutlined)
{
    QVBarFixture f(kit::MakeRect(0, 0, 300, 22), 2, false);
    f.bar->setStyleNamed(QStringLiteral("Flat"));
    auto button = f.bar->orderedAttachedButtons()[1];
    ASSERT_NE(button->state(), kit::OnState);
    QVStylesRecorder r;
    f.bar->style()->drawBezelOfTabCellWithFrameInView(button->tabCell(), kit::MakeRect(100, 0, 100, 22), button.get());
    // No fill colours: the gradient draws nothing (never black); the outline alone remains.
    ASSERT_EQ(r.backend->records.size(), 1u);
    EXPECT_EQ(r.backend->records[0].kind, kit::DrawRecord::Kind::Stroke);
}

TEST(QVCardDrawing, AnInactiveWindowFillsTheRectangleWithTheWindowColour)
{
    QVBarFixture f(kit::MakeRect(0, 0, 300, 22), 2, false);
    f.bar->setStyleNamed(QStringLiteral("Card"));
    auto button = f.bar->orderedAttachedButtons()[1];
    QVStylesRecorder r;
    f.bar->style()->drawBezelOfTabCellWithFrameInView(button->tabCell(), kit::MakeRect(100, 0, 100, 20), button.get());
    ASSERT_EQ(r.backend->records.size(), 3u); // fill, outline, bottom line of an unselected tab
    EXPECT_EQ(r.backend->records[0].kind, kit::DrawRecord::Kind::Fill);
    EXPECT_EQ(r.backend->records[0].elements().toStdString(), "M 100.5 0.5 L 199.5 0.5 L 199.5 20.5 L 100.5 20.5 L 100.5 0.5");
    EXPECT_EQ(r.backend->records[0].color(), kit::Color::windowBackgroundColor()->toQColor());
    EXPECT_EQ(r.backend->records[2].elements().toStdString(), "M 100.5 20 L 199.5 20");
}

class QVStyleArchiving : public testing::TestWithParam<const char*> { };

TEST_P(QVStyleArchiving, ABarUsingTheStyleArchivesAndDecodes)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 2, false);
    f.bar->setStyleNamed(QString::fromUtf8(GetParam()));
    kit::RunLoop::main().runPending();
    const QByteArray data = kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(kit::Ref<kit::Object>(f.bar)));
    ASSERT_FALSE(data.isEmpty());
    auto decoded = kit::KeyedUnarchiver::unarchiveObjectWithData(data).objectAs<QVTabBarView>();
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->styleName(), QString::fromUtf8(GetParam()));
    EXPECT_TRUE(decoded->style()->closeButtonImageOfTypeForTabCell(0, nullptr));
    kit::RunLoop::main().runPending();
}

INSTANTIATE_TEST_SUITE_P(Styles, QVStyleArchiving, testing::Values("Aqua", "Unified", "Pebble", "Card", "Flat", "Glass"));

struct QVStyleKeysCase {
    const char* style;
    std::vector<const char*> keys;
};

class QVStyleKeys : public testing::TestWithParam<QVStyleKeysCase> { };

TEST_P(QVStyleKeys, ArchivesItsImagesUnderTheirKeys)
{
    auto style = QVTabStyle::makeStyleNamed(QString::fromUtf8(GetParam().style));
    const QByteArray data = kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(kit::Ref<kit::Object>(style)));
    for (const char* key : GetParam().keys)
        EXPECT_TRUE(data.contains(QByteArray("\"") + key + "\"")) << key;
}

INSTANTIATE_TEST_SUITE_P(Styles, QVStyleKeys,
    testing::Values(QVStyleKeysCase { "Aqua",
                        { "aquaTabBg", "aquaTabBgDown", "aquaTabBgDownGraphite", "aquaTabBgDownNonKey", "aquaDividerDown", "aquaDivider",
                            "aquaCloseButton", "aquaCloseButtonDown", "aquaCloseButtonOver", "aquaCloseDirtyButton", "aquaCloseDirtyButtonDown",
                            "aquaCloseDirtyButtonOver" } },
        QVStyleKeysCase { "Unified",
            { "unifiedCloseButton", "unifiedCloseButtonDown", "unifiedCloseButtonOver", "unifiedCloseDirtyButton", "unifiedCloseDirtyButtonDown",
                "unifiedCloseDirtyButtonOver" } },
        QVStyleKeysCase { "Pebble",
            { "closeButton", "closeButtonDown", "closeButtonOver", "closeDirtyButton", "closeDirtyButtonDown", "closeDirtyButtonOver", "drawsUnified",
                "drawsRight" } }));

TEST(QVPebbleCoding, ADecodedStyleKeepsItsFlagsAndItsGradient)
{
    auto pebble = kit::make<QVPebbleTabStyle>();
    pebble->setDrawsRight(true);
    const QByteArray data = kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(kit::Ref<kit::Object>(pebble)));
    auto decoded = kit::KeyedUnarchiver::unarchiveObjectWithData(data).objectAs<QVPebbleTabStyle>();
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->drawsRight());
    EXPECT_FALSE(decoded->drawsUnified());
    EXPECT_TRUE(decoded->gradientImage());
    EXPECT_TRUE(decoded->closeButtonImageOfTypeForTabCell(5, nullptr));
}

// Every image the styles name: a missing one would draw nothing and say nothing.
const QStringList& qvStylesImageNames()
{
    static const QStringList names = [] {
        QStringList out { "AquaTabClose_Front", "AquaTabClose_Front_Pressed", "AquaTabClose_Front_Rollover", "AquaTabCloseDirty_Front",
            "AquaTabCloseDirty_Front_Pressed", "AquaTabCloseDirty_Front_Rollover", "AquaTabsBackground", "AquaTabsDown", "AquaTabsDownGraphite",
            "AquaTabsDownNonKey", "AquaTabsSeparator", "AquaTabsSeparatorDown", "PebbleGradient", "GlassAWBG", "GlassIWBG",
            "GlassAWAddTabButton", "GlassAWAddTabButtonPushed", "GlassAWAddTabButtonRolloverPlus", "TabClose_Dirty", "TabClose_Dirty_Rollover",
            "TabClose_Dirty_Pressed" };
        for (const char* w : { "AW", "IW" }) {
            for (const char* part : { "ATLeftCap", "ATFill", "ATRightCap", "ITLeftCap", "ITRightCap" })
                out << QStringLiteral("Glass%1%2").arg(QLatin1String(w), QLatin1String(part));
            for (const char* t : { "AT", "IT" })
                for (const char* kind : { "Close", "CloseRollover", "ClosePressed" })
                    out << QStringLiteral("Glass%1%2%3").arg(QLatin1String(w), QLatin1String(t), QLatin1String(kind));
        }
        return out;
    }();
    return names;
}

TEST(QVStyleResources, EveryImageResolvesAndShowsSomething)
{
    EXPECT_EQ(qvStylesImageNames().size(), 43);
    for (const QString& name : qvStylesImageNames()) {
        const kit::Ref<kit::Image> image = QVTabBarView::bundleImage(name);
        ASSERT_TRUE(image) << name.toStdString();
        const kit::Size size = image->size();
        ASSERT_GT(size.width, 0) << name.toStdString();
        ASSERT_FALSE(image->representations().empty()) << name.toStdString();
        const QImage pixels = image->representations().front()->pixelsForSize(QSize(int(size.width), int(size.height)));
        bool visible = false, opaque = true;
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x) {
                const int alpha = pixels.pixelColor(x, y).alpha();
                visible = visible || alpha > 0;
                opaque = opaque && alpha == 255;
            }
        EXPECT_TRUE(visible) << name.toStdString();
        // Drawn with the copy operation: any hole would show black.
        if (name.startsWith(QLatin1String("Glass")) && name.endsWith(QLatin1String("BG"))) {
            EXPECT_TRUE(opaque) << name.toStdString();
        }
        if (name == QLatin1String("AquaTabsBackground")) {
            EXPECT_EQ(size, kit::MakeSize(1, 22));
        }
    }
}

} // namespace
