#include "XTTabBarControl/XTCardTabStyle.h"

#include "XTTabBarControl/XTShading.h"
#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"

KIT_REGISTER_CLASS(XTCardTabStyle, XTTabStyleBase) { }

namespace {

kit::Ref<kit::Color> xtCardWhite(double white) { return kit::Color::colorWithCalibratedWhiteAlpha(white, 1); }

// The card stands 3 points below the cell's top.
kit::Rect xtCardFrame(kit::Rect f) { return kit::MakeRect(f.origin.x, f.origin.y + 3, f.size.width, f.size.height - 3); }

} // namespace

XTCardTabStyle::XTCardTabStyle() { loadAquaButtonImages(); }

kit::Rect XTCardTabStyle::dragRectForTabCellOrientation(const XTTabBarCell& cell, int) const { return widenedFrame(cell); }

kit::Rect XTCardTabStyle::closeButtonRectForTabCellWithFrame(const XTTabBarCell& cell, kit::Rect g) const
{
    // Where the image is drawn: on the card, 3 points below the cell's top.
    return cell.hasCloseButton() && !cell.isCloseButtonSuppressed() ? standardCloseRect(g, 7) : kit::Rect {};
}

kit::Rect XTCardTabStyle::iconRectForTabCell(const XTTabBarCell& cell) const { return standardIconRect(cell, 2); }

kit::Rect XTCardTabStyle::indicatorRectForTabCell(const XTTabBarCell& cell) const { return standardIndicatorRect(cell, 5); }

kit::AttributedString XTCardTabStyle::attributedStringValueForTabCell(const XTTabBarCell& cell) const
{
    static const kit::Ref<kit::ParagraphStyle> paragraph = makeTitleParagraph(false);
    return plainTitle(cell, paragraph);
}

void XTCardTabStyle::drawTabBarInRect(XTTabBarControl& bar, kit::Rect rect)
{
    kit::GraphicsContext* context = kit::GraphicsContext::currentContext();
    if (!context)
        return;
    context->saveGraphicsState();
    const double y = rect.origin.y + rect.size.height - 0.5;
    xtCardWhite(0.576)->setStroke();
    for (const auto& cell : bar.cells()) {
        if (cell->state() != 1)
            continue;
        const kit::Rect k = cell->frame();
        kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(rect.origin.x, y), kit::MakePoint(k.origin.x, y));
        kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(k.origin.x + k.size.width, y), kit::MakePoint(rect.origin.x + rect.size.width, y));
    }
    XTTabStyleBase::drawTabBarInRect(bar, rect);
    context->restoreGraphicsState();
}

void XTCardTabStyle::drawBackgroundInRect(kit::Rect)
{
    const kit::Ref<XTTabBarControl> bar = tabBar();
    const kit::Rect b = bar ? bar->bounds() : kit::Rect {};
    const kit::Rect q = kit::MakeRect(b.origin.x, b.origin.y, b.size.width, b.size.height - 1);
    XTShading::linearGradientFillWithStartColorEndColor(*kit::BezierPath::bezierPathWithRect(q), *xtCardWhite(0.45), *xtCardWhite(0.6));
    const kit::Ref<kit::TabView> tabView = bar ? bar->tabView() : nullptr;
    const kit::Ref<kit::Window> window = tabView ? tabView->window() : nullptr;
    if (!window || !window->isKeyWindow()) {
        kit::Color::windowBackgroundColor()->set();
        kit::RectFill(q);
    }
}

double XTCardTabStyle::cornerRadiusForCellFrame(kit::Rect f)
{
    const kit::Rect card = xtCardFrame(f);
    return std::min(6.0, std::min(card.size.width - 1, card.size.height - 1) * 0.5) - 0.5;
}

void XTCardTabStyle::drawTabCell(XTTabBarCell& cell)
{
    const kit::Rect f = cell.frame();
    const kit::Rect card = xtCardFrame(f);
    const double a = card.origin.x + 0.5, b = card.origin.y + 0.5, w = card.size.width - 1, h = card.size.height - 1;
    const double e = b + h;
    const double r = cornerRadiusForCellFrame(f);
    auto path = kit::BezierPath::bezierPath();
    path->moveToPoint(kit::MakePoint(a, e));
    path->appendBezierPathWithArcFromPointToPointRadius(kit::MakePoint(a, b), kit::MakePoint(a + w * 0.5, b), r);
    path->appendBezierPathWithArcFromPointToPointRadius(kit::MakePoint(a + w, b), kit::MakePoint(a + w, e), r);
    path->lineToPoint(kit::MakePoint(a + w, e));
    if (kit::Application::sharedApplication()->isActive()) {
        if (cell.state() == 1)
            XTShading::linearGradientFillWithStartColorEndColor(*path, *xtCardWhite(0.9), *xtCardWhite(0.9));
        else if (cell.isHighlighted())
            XTShading::linearGradientFillWithStartColorEndColor(*path, *xtCardWhite(0.94), *xtCardWhite(0.94));
        else
            XTShading::linearGradientFillWithStartColorEndColor(*path, *xtCardWhite(0.8), *xtCardWhite(0.65));
    }
    xtCardWhite(0.576)->setStroke();
    path->setLineWidth(1);
    path->stroke();
    drawInteriorWithTabCellInView(cell, cell.controlView().get());
}

void XTCardTabStyle::drawInteriorWithTabCellInView(XTTabBarCell& cell, kit::View* view)
{
    InteriorLook look;
    // Centred on the card, one point lower.
    look.labelRect = [](kit::Rect card, double x, double height) {
        return kit::MakeRect(x, card.origin.y + (card.size.height - height) * 0.5 + 1, card.size.width - (x - card.origin.x) - 4, height);
    };
    look.counterShift = -1;
    look.closeFromCellFrame = true;
    drawStandardInterior(cell, view, xtCardFrame(cell.frame()), look);
}
