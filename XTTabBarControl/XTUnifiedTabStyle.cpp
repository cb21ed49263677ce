#include "XTTabBarControl/XTUnifiedTabStyle.h"

#include "XTTabBarControl/XTShading.h"
#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Toolbar.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"

KIT_REGISTER_CLASS(XTUnifiedTabStyle, XTTabStyleBase) { }

namespace {

kit::Ref<kit::Color> xtUnifiedWhite(double white, double alpha = 1) { return kit::Color::colorWithCalibratedWhiteAlpha(white, alpha); }

void xtUnifiedLine(double x0, double y0, double x1, double y1)
{
    kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(x0, y0), kit::MakePoint(x1, y1));
}

} // namespace

XTUnifiedTabStyle::XTUnifiedTabStyle() { loadAquaButtonImages(); }

kit::Rect XTUnifiedTabStyle::dragRectForTabCellOrientation(const XTTabBarCell& cell, int) const { return widenedFrame(cell); }

kit::Rect XTUnifiedTabStyle::closeButtonRectForTabCellWithFrame(const XTTabBarCell& cell, kit::Rect g) const
{
    return cell.hasCloseButton() ? standardCloseRect(g, 4) : kit::Rect {};
}

kit::Rect XTUnifiedTabStyle::iconRectForTabCell(const XTTabBarCell& cell) const { return standardIconRect(cell, 2); }

kit::Rect XTUnifiedTabStyle::indicatorRectForTabCell(const XTTabBarCell& cell) const { return standardIndicatorRect(cell, 2); }

kit::AttributedString XTUnifiedTabStyle::attributedStringValueForTabCell(const XTTabBarCell& cell) const
{
    static const kit::Ref<kit::ParagraphStyle> paragraph = makeTitleParagraph(false);
    return plainTitle(cell, paragraph);
}

bool XTUnifiedTabStyle::cellHasSeparator(const XTTabBarCell& cell)
{
    const kit::Ref<kit::View> control = cell.controlView();
    const kit::Ref<kit::Window> window = control ? control->window() : nullptr;
    const kit::Ref<kit::Toolbar> toolbar = window ? window->toolbar() : nullptr;
    return toolbar && toolbar->showsBaselineSeparator();
}

void XTUnifiedTabStyle::drawTabCell(XTTabBarCell& cell)
{
    kit::Rect f = cell.frame();
    const bool separator = cellHasSeparator(cell);
    if (!separator) {
        f.origin.y += 1;
        f.size.height -= 1;
    }
    const kit::Ref<kit::Color> line = xtUnifiedWhite(0.576);
    if (separator && cell.state() != 1) {
        const kit::Rect a = kit::MakeRect(f.origin.x + 0.5, f.origin.y + 0.5, f.size.width, f.size.height);
        if (cell.isHighlighted()) {
            kit::Color::blackColor()->colorWithAlphaComponent(0.1)->set();
            kit::RectFillUsingOperation(a, kit::CompositeSourceAtop);
        }
        const double x = a.origin.x, y = a.origin.y, w = a.size.width, h = a.size.height;
        const bool rightSelected = cell.tabState() & XTTabRightNeighbourSelectedMask;
        auto edge = kit::BezierPath::bezierPath();
        edge->moveToPoint(kit::MakePoint(x + w, y - 0.5));
        if (!rightSelected)
            edge->lineToPoint(kit::MakePoint(x + w, y + h));
        line->setStroke();
        edge->stroke();
        if (!rightSelected) {
            xtUnifiedWhite(1, 0.5)->setStroke();
            xtUnifiedLine(x + w + 1, y - 0.5, x + w + 1, y + h - 2.5);
        }
        if (cell.tabState() & XTTabPositionLeftMask) {
            line->setStroke();
            xtUnifiedLine(x, y - 0.5, x, y + h - 2.5);
            xtUnifiedWhite(1, 0.5)->setStroke();
            xtUnifiedLine(x + 1, y - 0.5, x + 1, y + h - 2.5);
        }
    } else {
        const kit::Rect a = kit::MakeRect(f.origin.x + 0.5, f.origin.y - 0.5, f.size.width, f.size.height);
        const double r = std::min(6.0, std::min(a.size.width, a.size.height) / 2);
        const kit::Rect q = kit::InsetRect(a, r, r);
        auto shape = kit::BezierPath::bezierPath();
        shape->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(q.origin, r, 180, 270);
        shape->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(kit::MakePoint(q.origin.x + q.size.width, q.origin.y), r, 270, 360);
        shape->lineToPoint(kit::MakePoint(a.origin.x + a.size.width, a.origin.y + a.size.height));
        shape->lineToPoint(kit::MakePoint(a.origin.x, a.origin.y + a.size.height));
        shape->closePath();
        if (kit::Application::sharedApplication()->isActive()) {
            if (cell.state() == 1)
                XTShading::linearGradientFillWithStartColorEndColor(*shape, *xtUnifiedWhite(0.99), *xtUnifiedWhite(0.941));
            else if (cell.isHighlighted())
                XTShading::linearGradientFillWithStartColorEndColor(*shape, *xtUnifiedWhite(0.8), *xtUnifiedWhite(0.8));
            else
                XTShading::linearGradientFillWithStartColorEndColor(*shape, *xtUnifiedWhite(0.835), *xtUnifiedWhite(0.843));
        }
        line->setStroke();
        shape->stroke();
    }
    drawInteriorWithTabCellInView(cell, cell.controlView().get());
}

void XTUnifiedTabStyle::drawBackgroundInRect(kit::Rect)
{
    const kit::Ref<XTTabBarControl> bar = tabBar();
    const kit::Rect b = bar ? bar->bounds() : kit::Rect {};
    const kit::Rect r = kit::MakeRect(b.origin.x, b.origin.y, b.size.width, b.size.height - 1);
    XTShading::linearGradientFillWithStartColorEndColor(*kit::BezierPath::bezierPathWithRect(r), *xtUnifiedWhite(0.835), *xtUnifiedWhite(0.843));
    xtUnifiedWhite(0.576)->setStroke();
    const double bottom = b.origin.y + b.size.height - 0.5;
    xtUnifiedLine(b.origin.x, bottom, b.origin.x + b.size.width, bottom);
    const kit::Ref<kit::TabView> tabView = bar ? bar->tabView() : nullptr;
    const kit::Ref<kit::Window> window = tabView ? tabView->window() : nullptr;
    if (!window || !window->isKeyWindow()) {
        kit::Color::windowBackgroundColor()->set();
        kit::RectFill(r);
    }
}

void XTUnifiedTabStyle::drawInteriorWithTabCellInView(XTTabBarCell& cell, kit::View* view)
{
    InteriorLook look;
    look.labelRect = [](kit::Rect f, double x, double height) {
        return kit::MakeRect(x, f.origin.y + (f.size.height - height) / 2 - 1, f.size.width - (x - f.origin.x) - 4, height);
    };
    look.counterShift = -1;
    look.iconShiftsByItsRect = true;
    drawStandardInterior(cell, view, cell.frame(), look);
}
