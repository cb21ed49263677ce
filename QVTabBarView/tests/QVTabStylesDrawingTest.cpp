#include "QVTabBarView/QVAquaTabStyle.h"
#include "QVTabBarView/QVFlatTabStyle.h"
#include "QVTabBarView/QVGlassTabStyle.h"
#include "QVTabBarView/QVPebbleTabStyle.h"
#include "QVTabBarView/QVUnifiedTabStyle.h"
#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Toolbar.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ImageRep.h"
#include "kit/graphics/RecordingBackend.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

namespace {

// A flipped context recording what a style draws.
struct QVStyleDrawRecorder {
    std::shared_ptr<kit::RecordingBackend> backend = std::make_shared<kit::RecordingBackend>(QSize(600, 60));
    kit::Ref<kit::GraphicsContext> context = kit::GraphicsContext::graphicsContextWithBackend(backend, true);
    kit::GraphicsContext::Scope scope { context };
};

// A bar of five tabs in a window (never key here: the inactive images and fills).
struct QVStyleWindowFixture : QVBarFixture {
    kit::Ref<kit::Window> window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 100), kit::TitledWindowMask);
    explicit QVStyleWindowFixture(const char* style, int tabs = 5, kit::Rect frame = kit::MakeRect(0, 0, 600, 22))
        : QVBarFixture(frame, tabs, false)
    {
        window->contentView()->addSubview(bar.get());
        bar->setStyleNamed(QString::fromUtf8(style));
        bar->updateAnimate(false);
    }
    ~QVStyleWindowFixture() { kit::Application::resetForTesting(); }
    kit::Ref<QVAttachedTabBarButton> button(int i) const { return bar->orderedAttachedButtons()[std::size_t(i)]; }
    void select(int i)
    {
        tabView->selectTabViewItemAtIndex(i);
        bar->updateAnimate(false);
    }
    void showToolbar(bool baseline)
    {
        toolbar = kit::make<kit::Toolbar>(QStringLiteral("qv-styles"));
        toolbar->setShowsBaselineSeparator(baseline);
        window->setToolbar(toolbar.get());
        toolbar->setVisible(true);
    }
    kit::Ref<kit::Toolbar> toolbar;
};

// Glass caps: "" nothing, "L"/"R"/"LR" the unselected separators, "S" the selected caps and fill,
// "A" the active-window separators of a tab in an animated slide.
struct QVGlassCapsCase {
    const char* name;
    std::uint64_t selected;
    int draggedSlide, animatedSlide;
    std::uint64_t destination;
    bool addButton;
    std::array<const char*, 5> expected;
};

QString qvGlassCode(const QVGlassTabStyle::Parts& p)
{
    if (p.left == QLatin1String("GlassAWITLeftCap") && p.right == QLatin1String("GlassAWITRightCap") && p.fill.isEmpty())
        return QStringLiteral("A");
    if (p.left == QLatin1String("GlassIWATLeftCap") && p.fill == QLatin1String("GlassIWATFill") && p.right == QLatin1String("GlassIWATRightCap"))
        return QStringLiteral("S");
    QString code;
    if (p.left == QLatin1String("GlassIWITLeftCap"))
        code += QLatin1Char('L');
    if (p.right == QLatin1String("GlassIWITRightCap"))
        code += QLatin1Char('R');
    if (!p.fill.isEmpty() || (code.isEmpty() && (!p.left.isEmpty() || !p.right.isEmpty())))
        code += QLatin1Char('?');
    return code;
}

class QVGlassCaps : public testing::TestWithParam<QVGlassCapsCase> { };

TEST_P(QVGlassCaps, FollowTheSelectionSlidesAndDropPlace)
{
    const QVGlassCapsCase& c = GetParam();
    QVStyleWindowFixture f("Glass");
    f.bar->setShowAddTabButton(c.addButton);
    if (c.selected != QVNotFound)
        f.select(int(c.selected));
    const auto buttons = f.bar->orderedAttachedButtons();
    ASSERT_EQ(buttons.size(), 5u);
    if (c.selected == QVNotFound)
        for (const auto& b : buttons)
            b->setState(kit::OffState);
    if (c.draggedSlide >= 0)
        buttons[std::size_t(c.draggedSlide)]->setIsInDraggedSlide(true);
    if (c.animatedSlide >= 0)
        buttons[std::size_t(c.animatedSlide)]->slideAnimationWillStart();
    f.bar->setDestinationIndexForDraggedItem(c.destination);
    ASSERT_FALSE(f.bar->isOverflowButtonVisible());
    for (std::size_t i = 0; i < buttons.size(); ++i)
        EXPECT_EQ(qvGlassCode(QVGlassTabStyle::partsForButtonAtIndex(*buttons[i], i, buttons, c.selected, *f.bar)), QLatin1String(c.expected[i]))
            << c.name << " tab " << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, QVGlassCaps,
    testing::Values(QVGlassCapsCase { "plain", 2, -1, -1, QVNotFound, false, { "", "L", "S", "R", "" } },
        QVGlassCapsCase { "add button", 2, -1, -1, QVNotFound, true, { "", "L", "S", "R", "R" } },
        QVGlassCapsCase { "tab 3 slides", 2, 3, -1, QVNotFound, false, { "", "L", "S", "R", "L" } },
        QVGlassCapsCase { "tab 1 slides", 2, 1, -1, QVNotFound, false, { "R", "L", "S", "R", "" } },
        QVGlassCapsCase { "drop at 3", 2, -1, -1, 3, false, { "", "L", "S", "R", "L" } },
        QVGlassCapsCase { "drop at 1", 2, -1, -1, 1, false, { "R", "L", "S", "R", "" } },
        QVGlassCapsCase { "no selection", QVNotFound, -1, -1, QVNotFound, false, { "", "L", "L", "L", "L" } },
        QVGlassCapsCase { "animated slide", 2, -1, 3, QVNotFound, false, { "", "L", "S", "A", "L" } }),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST(QVGlassDrawing, CloseImagesFollowActivityAndSelectionEditedOnesNeverDo)
{
    QVStyleWindowFixture f("Glass", 2);
    auto style = f.bar->style();
    auto selected = f.button(0)->tabCell();
    auto other = f.button(1)->tabCell();
    EXPECT_EQ(style->closeButtonImageOfTypeForTabCell(0, selected), QVGlassTabStyle::image(QStringLiteral("GlassIWATClose")));
    EXPECT_EQ(style->closeButtonImageOfTypeForTabCell(1, other), QVGlassTabStyle::image(QStringLiteral("GlassIWITCloseRollover")));
    EXPECT_EQ(style->closeButtonImageOfTypeForTabCell(2, other), QVGlassTabStyle::image(QStringLiteral("GlassIWITClosePressed")));
    for (auto* cell : { selected, other }) {
        EXPECT_EQ(style->closeButtonImageOfTypeForTabCell(3, cell), QVGlassTabStyle::image(QStringLiteral("TabClose_Dirty")));
        EXPECT_EQ(style->closeButtonImageOfTypeForTabCell(4, cell), QVGlassTabStyle::image(QStringLiteral("TabClose_Dirty_Rollover")));
        EXPECT_EQ(style->closeButtonImageOfTypeForTabCell(5, cell), QVGlassTabStyle::image(QStringLiteral("TabClose_Dirty_Pressed")));
        EXPECT_FALSE(style->closeButtonImageOfTypeForTabCell(6, cell));
    }
}

TEST(QVGlassDrawing, AddAndOverflowRectanglesSitOnePointLower)
{
    QVStyleWindowFixture f("Glass", 2);
    EXPECT_EQ(f.bar->style()->addTabButtonSizeForTabBarView(f.bar.get()), kit::MakeSize(22, 22));
    EXPECT_EQ(f.bar->style()->addTabButtonSizeForTabBarView(nullptr), kit::MakeSize(22, 0));
    const kit::Rect add = f.bar->_addTabButtonRect();
    EXPECT_EQ(f.bar->style()->addTabButtonRectForTabBarView(f.bar.get()), kit::MakeRect(add.origin.x, add.origin.y + 1, add.size.width, add.size.height - 1));
    const kit::Rect overflow = f.bar->_overflowButtonRect();
    const kit::Rect expected = kit::EqualRects(overflow, kit::ZeroRect)
        ? kit::ZeroRect
        : kit::MakeRect(overflow.origin.x, overflow.origin.y + 1, overflow.size.width, overflow.size.height - 1);
    EXPECT_EQ(f.bar->style()->overflowButtonRectForTabBarView(f.bar.get()), expected);
}

TEST(QVGlassDrawing, ABarUnderTwoPointsIsDarkGreyAndItsTabsDrawNoBezel)
{
    QVStyleWindowFixture f("Glass", 2, kit::MakeRect(0, 0, 600, 1.5));
    QVStyleDrawRecorder r;
    f.bar->style()->drawBezelOfTabBarViewInRect(f.bar.get(), f.bar->bounds());
    ASSERT_EQ(r.backend->records.size(), 1u);
    EXPECT_EQ(r.backend->records[0].kind, kit::DrawRecord::Kind::Fill);
    EXPECT_EQ(r.backend->records[0].color(), kit::Color::darkGrayColor()->toQColor());
    auto selected = f.button(0);
    selected->setFrame(kit::MakeRect(0, 0, 100, 1.5));
    f.bar->style()->drawBezelOfTabCellWithFrameInView(selected->tabCell(), selected->bounds(), selected.get());
    EXPECT_EQ(r.backend->records.size(), 1u);
}

TEST(QVGlassDrawing, TheBackgroundIsCopiedFromAnOpaqueImage)
{
    QVStyleWindowFixture f("Glass", 0);
    QVStyleDrawRecorder r;
    f.bar->style()->drawBezelOfTabBarViewInRect(f.bar.get(), f.bar->bounds());
    ASSERT_FALSE(r.backend->records.empty());
    for (const kit::DrawRecord& record : r.backend->records) {
        EXPECT_EQ(record.kind, kit::DrawRecord::Kind::Image);
        EXPECT_EQ(record.operation(), kit::CompositeCopy);
    }
}

TEST(QVGlassDrawing, TheCopiedBackgroundShowsItsOwnGreyNotBlack)
{
    QVStyleWindowFixture f("Glass", 2);
    f.window->display();
    const QImage shot = f.window->snapshot();
    ASSERT_FALSE(shot.isNull());
    const double scale = shot.width() / 600.0;
    // Right of the tabs, in the middle of the bar (the content view is not flipped: the bar is at the bottom).
    const QColor pixel = shot.pixelColor(int(590 * scale), shot.height() - int(11 * scale));
    EXPECT_EQ(pixel.alpha(), 255);
    EXPECT_GT(pixel.lightness(), 180);
}

struct QVAquaTintCase {
    int tint;
    bool active;
    const char* image;
};

class QVAquaTint : public testing::TestWithParam<QVAquaTintCase> { };

TEST_P(QVAquaTint, PicksTheSelectedImage)
{
    EXPECT_EQ(QVAquaTabStyle::selectedImageName(GetParam().tint, GetParam().active), QLatin1String(GetParam().image));
}

INSTANTIATE_TEST_SUITE_P(Tints, QVAquaTint,
    testing::Values(QVAquaTintCase { kit::DefaultControlTint, true, "AquaTabsDown" }, QVAquaTintCase { kit::BlueControlTint, true, "AquaTabsDown" },
        QVAquaTintCase { kit::GraphiteControlTint, true, "AquaTabsDownGraphite" },
        QVAquaTintCase { kit::GraphiteControlTint, false, "AquaTabsDownNonKey" },
        QVAquaTintCase { kit::DefaultControlTint, false, "AquaTabsDownNonKey" }, QVAquaTintCase { kit::ClearControlTint, true, "AquaTabsDownNonKey" }));

TEST(QVAquaDrawing, OnlyABarAtMostTwentyTwoHighGetsItsBackground)
{
    QVStyleWindowFixture f("Aqua", 0);
    QVStyleDrawRecorder r;
    f.bar->style()->drawBezelOfTabBarViewInRect(f.bar.get(), kit::MakeRect(0, 0, 600, 23));
    EXPECT_TRUE(r.backend->records.empty());
    f.bar->style()->drawBezelOfTabBarViewInRect(f.bar.get(), kit::MakeRect(0, 0, 600, 22));
    ASSERT_EQ(r.backend->records.size(), 1u);
    EXPECT_EQ(r.backend->records[0].kind, kit::DrawRecord::Kind::Image);
    EXPECT_EQ(r.backend->records[0].deviceRect, QRectF(0, 0, 600, 22));
}

TEST(QVAquaDrawing, AnUnselectedOverflowTabGetsOnlyTheHoverFill)
{
    QVStyleWindowFixture f("Aqua", 3);
    auto button = f.button(1);
    button->setIsOverflowButton(true);
    button->tabCell()->setMouseHovered(true);
    QVStyleDrawRecorder r;
    f.bar->style()->drawBezelOfTabCellWithFrameInView(button->tabCell(), kit::MakeRect(0, 0, 100, 22), button.get());
    ASSERT_EQ(r.backend->records.size(), 1u);
    EXPECT_EQ(r.backend->records[0].kind, kit::DrawRecord::Kind::Fill);
    EXPECT_EQ(r.backend->records[0].operation(), kit::CompositeSourceAtop);
}

TEST(QVAquaDrawing, TheBackgroundRendersAtItsOwnSizeWhileTheBarResizes)
{
    QVStyleWindowFixture f("Aqua", 0);
    QVStyleDrawRecorder r;
    for (int width = 200; width < 600; width += 7) {
        f.bar->setFrameSize(kit::MakeSize(width, 22));
        f.bar->style()->drawBezelOfTabBarViewInRect(f.bar.get(), f.bar->bounds());
    }
    ASSERT_FALSE(r.backend->records.empty());
    for (const kit::DrawRecord& record : r.backend->records)
        EXPECT_EQ(record.image.size(), QSize(1, 22));
}

TEST(QVPebbleDrawing, TheStretchedGradientKeepsABoundedNumberOfRenderings)
{
    QVStyleWindowFixture f("Pebble", 1);
    auto pebble = kit::dynamic_pointer_cast<QVPebbleTabStyle>(f.bar->style());
    ASSERT_TRUE(pebble && pebble->gradientImage());
    auto* rep = dynamic_cast<kit::SVGImageRep*>(pebble->gradientImage()->representations().front().get());
    ASSERT_TRUE(rep);
    auto selected = f.button(0);
    QVStyleDrawRecorder r;
    for (int width = 60; width < 400; ++width)
        pebble->drawBezelOfTabCellWithFrameInView(selected->tabCell(), kit::MakeRect(0, 0, width, 22), selected.get());
    EXPECT_LE(rep->renderedSizeCount(), kit::detail::RenderedSizes::bound);
    EXPECT_GT(r.backend->records.size(), 0u);
}

TEST(QVUnifiedDrawing, WithoutAToolbarTabsAreBoxesWithEtchedDividers)
{
    QVStyleWindowFixture f("Unified", 3);
    auto selected = f.button(0);
    QVStyleDrawRecorder r;
    f.bar->style()->drawBezelOfTabCellWithFrameInView(selected->tabCell(), kit::MakeRect(0, 0, 100, 22), selected.get());
    ASSERT_EQ(r.backend->records.size(), 1u);
    EXPECT_EQ(r.backend->records[0].operation(), kit::CompositeSourceAtop);
    EXPECT_NEAR(r.backend->records[0].color().alphaF(), 0.2, 0.01);
    r.backend->records.clear();
    auto middle = f.button(1);
    ASSERT_TRUE(middle->shouldDisplayRightDivider());
    f.bar->style()->drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect(
        middle.get(), 1, f.bar->orderedAttachedButtons(), 0, f.bar.get(), f.bar->bounds());
    ASSERT_GE(r.backend->records.size(), 2u);
    const kit::Rect frame = middle->frame();
    EXPECT_EQ(r.backend->records[0].elements(),
        QStringLiteral("M %1 %2 L %1 %3").arg(frame.maxX() + 0.5).arg(frame.origin.y).arg(frame.maxY()));
}

TEST(QVUnifiedDrawing, UnderAVisibleToolbarTabsAreCardsAndDividersVanish)
{
    QVStyleWindowFixture f("Unified", 3);
    f.showToolbar(false);
    auto selected = f.button(0);
    QVStyleDrawRecorder r;
    f.bar->style()->drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect(
        f.button(1).get(), 1, f.bar->orderedAttachedButtons(), 0, f.bar.get(), f.bar->bounds());
    EXPECT_TRUE(r.backend->records.empty());
    f.bar->style()->drawBezelOfTabCellWithFrameInView(selected->tabCell(), kit::MakeRect(0, 0, 100, 22), selected.get());
    // Inactive window: the selected card is filled without antialiasing, then outlined with it.
    ASSERT_EQ(r.backend->records.size(), 2u);
    EXPECT_EQ(r.backend->records[0].kind, kit::DrawRecord::Kind::Fill);
    EXPECT_FALSE(r.backend->records[0].state.shouldAntialias);
    EXPECT_EQ(r.backend->records[1].kind, kit::DrawRecord::Kind::Stroke);
    EXPECT_TRUE(r.backend->records[1].state.shouldAntialias);
}

TEST(QVUnifiedDrawing, TheMarginPropertyMovesBothEnds)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 1, false);
    auto unified = kit::make<QVUnifiedTabStyle>();
    unified->setLeftMarginForTabBarView(8);
    f.bar->setStyle(unified);
    EXPECT_EQ(f.bar->leftMargin(), 8);
    EXPECT_EQ(f.bar->rightMargin(), 8);
}

struct QVFlatBaselineCase {
    bool toolbar, baseline, selected;
    std::size_t records;
};

class QVFlatBaseline : public testing::TestWithParam<QVFlatBaselineCase> { };

TEST_P(QVFlatBaseline, PicksTheTabBranch)
{
    const QVFlatBaselineCase& c = GetParam();
    QVStyleWindowFixture f("Flat", 3);
    if (c.toolbar)
        f.showToolbar(c.baseline);
    auto button = f.button(c.selected ? 0 : 2);
    QVStyleDrawRecorder r;
    f.bar->style()->drawBezelOfTabCellWithFrameInView(button->tabCell(), kit::MakeRect(200, 0, 100, 22), button.get());
    ASSERT_EQ(r.backend->records.size(), c.records);
    if (!c.baseline || c.selected) {
        // The card: moved down by one without a baseline, grown up by one when selected.
        const double top = (c.baseline ? 0 : 1) - 0.5 - (c.selected ? 1 : 0);
        EXPECT_NEAR(r.backend->records.back().path.boundingRect().top(), top, 0.01);
    } else {
        // Two full-height divider strokes: the line colour, then the white highlight one point right.
        EXPECT_EQ(r.backend->records[0].elements().toStdString(), "M 300.5 0 L 300.5 20");
        EXPECT_EQ(r.backend->records[1].elements().toStdString(), "M 301.5 0 L 301.5 20");
    }
}

INSTANTIATE_TEST_SUITE_P(Branches, QVFlatBaseline,
    testing::Values(QVFlatBaselineCase { false, false, false, 1 }, QVFlatBaselineCase { false, false, true, 2 },
        QVFlatBaselineCase { true, false, false, 1 }, QVFlatBaselineCase { true, true, false, 2 }, QVFlatBaselineCase { true, true, true, 2 }));

TEST(QVPebbleLayout, HorizontalCloseButtonSharesTheIconPlace)
{
    QVStyleWindowFixture f("Pebble", 1);
    auto cell = f.button(0)->tabCell();
    cell->setHasCloseButton(true);
    cell->setSuppressCloseButton(false); // a lone tab keeps its close button here
    cell->setIcon(QVTabBarView::bundleImage(QStringLiteral("pi")));
    const kit::Rect bounds = kit::MakeRect(0, 0, 200, 22);
    const kit::Rect d = cell->drawingRectForBounds(bounds);
    EXPECT_EQ(d, kit::MakeRect(4, 1, 192, 17)); // selected: inset 4, down 1, five lower
    const kit::Rect close = cell->closeButtonRectForBounds(bounds);
    const kit::Rect icon = cell->iconRectForBounds(bounds);
    const kit::Rect title = cell->titleRectForBounds(bounds);
    EXPECT_EQ(close.origin.x, d.origin.x);
    EXPECT_EQ(icon.origin.x, d.origin.x);
    EXPECT_EQ(title.origin.x, d.origin.x + std::max(icon.size.width, close.size.width) + 4);
    // Nothing processing: the counter uses the full width, and a zero count has no counter.
    EXPECT_EQ(cell->indicatorRectForBounds(bounds), kit::ZeroRect);
    EXPECT_EQ(cell->objectCounterRectForBounds(bounds), kit::ZeroRect);
    cell->setTitle(QString());
    EXPECT_EQ(cell->titleRectForBounds(bounds), kit::ZeroRect);
}

TEST(QVPebbleLayout, VerticalCloseButtonSharesTheCounterPlace)
{
    QVStyleWindowFixture f("Pebble", 1, kit::MakeRect(0, 0, 150, 300));
    f.bar->setOrientation(QVTabBarVerticalOrientation);
    f.bar->updateAnimate(false);
    auto cell = f.button(0)->tabCell();
    cell->setHasCloseButton(true);
    cell->setSuppressCloseButton(false); // a lone tab keeps its close button here
    cell->setShowObjectCount(true);
    cell->setObjectCount(7);
    cell->setIcon(QVTabBarView::bundleImage(QStringLiteral("pi")));
    cell->setLargeImage(QVTabBarView::bundleImage(QStringLiteral("pi")));
    const kit::Rect bounds = kit::MakeRect(0, 0, 150, 28);
    const kit::Rect d = cell->drawingRectForBounds(bounds);
    EXPECT_EQ(d, kit::MakeRect(4, 2, 142, 24));
    EXPECT_EQ(cell->iconRectForBounds(bounds), kit::ZeroRect); // the large image takes its place
    const kit::Rect close = cell->closeButtonRectForBounds(bounds);
    const kit::Rect counter = cell->objectCounterRectForBounds(bounds);
    EXPECT_EQ(close.maxX(), d.maxX() - 4);
    EXPECT_EQ(counter.maxX(), d.maxX());
    const kit::Rect large = cell->largeImageRectForBounds(bounds);
    const kit::Rect title = cell->titleRectForBounds(bounds);
    EXPECT_EQ(title.origin.x, d.origin.x + large.size.width + 4);
    EXPECT_EQ(title.maxX(), d.maxX() - std::max(close.size.width, counter.size.width) - 4);
}

TEST(QVPebbleHover, TheCloseButtonTakesTheIconPlaceUnderThePointer)
{
    QVStyleWindowFixture f("Pebble", 2);
    auto button = f.button(0);
    button->tabCell()->setIcon(QVTabBarView::bundleImage(QStringLiteral("pi")));
    button->tabCell()->setHasCloseButton(true);
    const auto close = button->tabCell()->closeButton();
    ASSERT_TRUE(close);
    const kit::Point inside = kit::MakePoint(button->frame().origin.x + button->frame().size.width / 2, 11);
    {
        kit::test::EventScript script(f.window.get());
        script.mouseMoved(kit::MakePoint(inside.x, 60)).mouseMoved(inside);
        script.run();
    }
    ASSERT_TRUE(button->mouseHovered());
    f.window->display();
    EXPECT_FALSE(close->isHidden());
    {
        kit::test::EventScript script(f.window.get());
        script.mouseMoved(kit::MakePoint(inside.x, 60));
        script.run();
    }
    ASSERT_FALSE(button->mouseHovered());
    f.window->display();
    EXPECT_TRUE(close->isHidden());
}

TEST(QVPebbleDrawing, AVerticalBarDrawsNothingForUnselectedTabs)
{
    QVStyleWindowFixture f("Pebble", 2, kit::MakeRect(0, 0, 150, 300));
    f.bar->setOrientation(QVTabBarVerticalOrientation);
    f.bar->updateAnimate(false);
    QVStyleDrawRecorder r;
    auto unselected = f.button(1);
    f.bar->style()->drawBezelOfTabCellWithFrameInView(unselected->tabCell(), unselected->frame(), unselected.get());
    EXPECT_TRUE(r.backend->records.empty());
    auto pebble = kit::dynamic_pointer_cast<QVPebbleTabStyle>(f.bar->style());
    auto selected = f.button(0);
    for (const bool right : { false, true }) {
        pebble->setDrawsRight(right);
        r.backend->records.clear();
        pebble->drawBezelOfTabCellWithFrameInView(selected->tabCell(), kit::MakeRect(0, 0, 150, 28), selected.get());
        ASSERT_EQ(r.backend->records.size(), 3u); // fill, top edge, shadowed side and bottom
        // The side edge stands left, or right with drawsRight.
        const double sideX = r.backend->records[2].path.elementAt(0).x;
        EXPECT_EQ(sideX, right ? 146 : 2);
    }
}

} // namespace
