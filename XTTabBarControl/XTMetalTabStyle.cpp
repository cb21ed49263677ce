#include "XTTabBarControl/XTMetalTabStyle.h"

#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/Shadow.h"

#include <cmath>

KIT_REGISTER_CLASS(XTMetalTabStyle, XTTabStyleBase) { }

XTMetalTabStyle::XTMetalTabStyle()
{
    loadButtonImages({ "TabClose_Front", "TabClose_Front_Pressed", "TabClose_Front_Rollover", "TabClose_Dirty", "TabClose_Dirty_Pressed",
        "TabClose_Dirty_Rollover", "TabNewMetal", "TabNewMetalPressed", "TabNewMetalRollover" });
}

kit::Rect XTMetalTabStyle::dragRectForTabCellOrientation(const XTTabBarCell& cell, int orientation) const
{
    kit::Rect r = cell.frame();
    r.size.width += 1;
    if (cell.tabState() & XTTabSelectedMask) {
        if (orientation == XTTabBarVerticalOrientation) {
            r.origin.x += 2;
            r.origin.y -= 1;
            r.size.width -= 3;
            r.size.height += 1;
        } else {
            r.size.height -= 2;
        }
    } else if (orientation == XTTabBarVerticalOrientation) {
        r.origin.x -= 1;
    }
    return r;
}

kit::Rect XTMetalTabStyle::closeButtonRectForTabCellWithFrame(const XTTabBarCell& cell, kit::Rect g) const
{
    return cell.hasCloseButton() ? standardCloseRect(g, cell.state() == 1 ? 4 : 5) : kit::Rect {};
}

kit::Rect XTMetalTabStyle::iconRectForTabCell(const XTTabBarCell& cell) const
{
    return standardIconRect(cell, cell.state() == 1 ? 2 : 3);
}

kit::Rect XTMetalTabStyle::indicatorRectForTabCell(const XTTabBarCell& cell) const
{
    return standardIndicatorRect(cell, cell.state() == 1 ? 2 : 3);
}

kit::AttributedString XTMetalTabStyle::attributedStringValueForTabCell(const XTTabBarCell& cell) const
{
    kit::StringAttributes attributes;
    attributes.font = kit::Font::boldSystemFontOfSize(11);
    attributes.foregroundColor = kit::Color::textColor()->colorWithAlphaComponent(0.75);
    auto shadow = kit::make<kit::Shadow>();
    shadow->setShadowColor(kit::Color::colorWithCalibratedWhiteAlpha(1.0, cell.state() == 1 || cell.isHighlighted() ? 0.8 : 0.5));
    shadow->setShadowOffset(kit::MakeSize(0, -1));
    shadow->setShadowBlurRadius(1);
    attributes.shadow = shadow;
    // Shared by every title: tail truncation, centred.
    static const kit::Ref<kit::ParagraphStyle> paragraph = makeTitleParagraph(true);
    attributes.paragraphStyle = paragraph;
    return kit::AttributedString(cell.stringValue(), attributes);
}

void XTMetalTabStyle::drawBackgroundInRect(kit::Rect)
{
    const kit::Ref<XTTabBarControl> bar = tabBar();
    const kit::Rect b = bar ? bar->bounds() : kit::Rect {};
    if (orientation_ == XTTabBarVerticalOrientation && (!bar || bar->frame().size.width < 2))
        return;
    kit::GraphicsContext* context = kit::GraphicsContext::currentContext();
    if (!context)
        return;
    context->saveGraphicsState();
    context->setShouldAntialias(false);
    kit::Color::blackColor()->colorWithAlphaComponent(0.2)->set();
    kit::RectFillUsingOperation(b, kit::CompositeSourceAtop);
    kit::Color::darkGrayColor()->set();
    const double x0 = b.origin.x, y0 = b.origin.y, x1 = b.origin.x + b.size.width, y1 = b.origin.y + b.size.height;
    if (orientation_ == XTTabBarHorizontalOrientation) {
        kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(x0, y0 + 0.5), kit::MakePoint(x1, y0 + 0.5));
        kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(x0, y1 - 0.5), kit::MakePoint(x1, y1 - 0.5));
    } else {
        kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(x0, y0 + 0.5), kit::MakePoint(x0, y1 + 0.5));
        kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(x1, y0 + 0.5), kit::MakePoint(x1, y1 + 0.5));
    }
    context->restoreGraphicsState();
}

void XTMetalTabStyle::drawTabCell(XTTabBarCell& cell)
{
    const kit::Rect f = cell.frame();
    kit::GraphicsContext* context = kit::GraphicsContext::currentContext();
    if (!context)
        return;
    auto path = kit::BezierPath::bezierPath();
    context->saveGraphicsState();
    context->setShouldAntialias(false);
    const bool vertical = orientation_ == XTTabBarVerticalOrientation;
    if (cell.state() == 1) {
        if (vertical) {
            kit::Rect r = kit::MakeRect(f.origin.x + 3, f.origin.y, f.size.width - 2, f.size.height - 1);
            kit::DrawWindowBackground(r);
            r.origin.x -= 1;
            r.size.height += 1;
            path->setLineWidth(1);
            const double x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
            path->moveToPoint(kit::MakePoint(x + w, y));
            path->lineToPoint(kit::MakePoint(x + 2, y));
            path->lineToPoint(kit::MakePoint(x + 0.5, y + 2));
            path->lineToPoint(kit::MakePoint(x + 0.5, y + h - 3));
            path->lineToPoint(kit::MakePoint(x + 3, y + h));
            path->lineToPoint(kit::MakePoint(x + w, y + h));
        } else {
            kit::Rect r = kit::MakeRect(f.origin.x + 1, f.origin.y, f.size.width - 1, f.size.height - 3);
            kit::DrawWindowBackground(r);
            r.size.width += 1;
            r.size.height += 0.5;
            r.origin.x -= 0.5;
            path->setLineWidth(1);
            const double x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
            path->moveToPoint(kit::MakePoint(x, y));
            path->lineToPoint(kit::MakePoint(x, y + h - 1.5));
            path->lineToPoint(kit::MakePoint(x + 1.5, y + h));
            path->lineToPoint(kit::MakePoint(x + w - 2.5, y + h));
            path->lineToPoint(kit::MakePoint(x + w, y + h - 1.5));
            path->lineToPoint(kit::MakePoint(x + w, y));
            const kit::Ref<kit::View> control = cell.controlView();
            if (!control || control->frame().size.height < 2) {
                path->moveToPoint(kit::MakePoint(x, y + 0.5));
                path->lineToPoint(kit::MakePoint(x + w, y + 0.5));
            }
        }
    } else {
        kit::Rect r = kit::MakeRect(f.origin.x + 1.5, f.origin.y + 0.5, f.size.width - 1, f.size.height);
        if (cell.isHighlighted()) {
            kit::Color::blackColor()->colorWithAlphaComponent(0.1)->set();
            kit::RectFillUsingOperation(r, kit::CompositeSourceAtop);
        }
        const double x = r.origin.x, y = r.origin.y;
        if (vertical) {
            if (!(cell.tabState() & XTTabLeftNeighbourSelectedMask)) {
                path->moveToPoint(kit::MakePoint(x, y));
                path->lineToPoint(kit::MakePoint(x + r.size.width, y));
            }
            if (!(cell.tabState() & XTTabRightNeighbourSelectedMask)) {
                path->moveToPoint(kit::MakePoint(x, y + r.size.height));
                path->lineToPoint(kit::MakePoint(x + r.size.width, y + r.size.height));
            }
        } else {
            r.origin.x -= 1;
            r.size.width += 1;
            path->moveToPoint(r.origin);
            path->lineToPoint(kit::MakePoint(r.origin.x + r.size.width, r.origin.y));
            if (!(cell.tabState() & XTTabRightNeighbourSelectedMask))
                path->lineToPoint(kit::MakePoint(r.origin.x + r.size.width, r.origin.y + r.size.height));
        }
    }
    kit::Color::darkGrayColor()->setStroke();
    path->stroke();
    context->restoreGraphicsState();
    drawInteriorWithTabCellInView(cell, cell.controlView().get());
}

void XTMetalTabStyle::drawInteriorWithTabCellInView(XTTabBarCell& cell, kit::View* view)
{
    const bool selected = cell.state() == 1;
    InteriorLook look;
    look.labelRect = [selected](kit::Rect f, double x, double) {
        return kit::MakeRect(x, f.origin.y + (selected ? 3 : 4), f.size.width - (x - f.origin.x) - 4, f.size.height);
    };
    look.counterShift = selected ? -1 : 0;
    drawStandardInterior(cell, view, cell.frame(), look);
}
