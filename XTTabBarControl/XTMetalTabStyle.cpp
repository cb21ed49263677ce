#include "XTTabBarControl/XTMetalTabStyle.h"

#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/Shadow.h"

#include <cmath>

KIT_REGISTER_CLASS(XTMetalTabStyle, XTTabStyleBase) { }

namespace {

// Shared by every title: tail truncation, centred.
const kit::Ref<kit::ParagraphStyle>& xtMetalTitleParagraph()
{
    static const kit::Ref<kit::ParagraphStyle> style = [] {
        auto p = kit::make<kit::ParagraphStyle>();
        p->setLineBreakMode(kit::LineBreakByTruncatingTail);
        p->setAlignment(kit::CenterTextAlignment);
        return p;
    }();
    return style;
}

kit::Rect xtMetalZero() { return kit::Rect {}; }

} // namespace

XTMetalTabStyle::XTMetalTabStyle()
{
    close_.normal = bundleImage(QStringLiteral("TabClose_Front"));
    close_.pressed = bundleImage(QStringLiteral("TabClose_Front_Pressed"));
    close_.rollover = bundleImage(QStringLiteral("TabClose_Front_Rollover"));
    close_.dirty = bundleImage(QStringLiteral("TabClose_Dirty"));
    close_.dirtyPressed = bundleImage(QStringLiteral("TabClose_Dirty_Pressed"));
    close_.dirtyRollover = bundleImage(QStringLiteral("TabClose_Dirty_Rollover"));
    addImage_ = bundleImage(QStringLiteral("TabNewMetal"));
    addPressedImage_ = bundleImage(QStringLiteral("TabNewMetalPressed"));
    addRolloverImage_ = bundleImage(QStringLiteral("TabNewMetalRollover"));
    // A bold sans face; the application font stands in when the family is missing.
    kit::Ref<kit::Font> counterFont = kit::Font::fontWithNameSize(QStringLiteral("Helvetica"), 11);
    if (!counterFont)
        counterFont = kit::Font::systemFontOfSize(11);
    counterAttributes_.font = kit::FontManager::sharedFontManager()->convertFontToHaveTrait(counterFont, kit::BoldFontMask);
    counterAttributes_.foregroundColor = kit::Color::colorWithCalibratedWhiteAlpha(1.0, 0.85);
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
    if (!cell.hasCloseButton() || !close_.normal)
        return xtMetalZero();
    const kit::Size size = close_.normal->size();
    return kit::MakeRect(g.origin.x + 6, g.origin.y + (cell.state() == 1 ? 4 : 5), size.width, size.height);
}

kit::Rect XTMetalTabStyle::iconRectForTabCell(const XTTabBarCell& cell) const
{
    if (!cell.hasIcon())
        return xtMetalZero();
    const kit::Rect f = cell.frame();
    double x = f.origin.x + 6;
    if (cell.hasCloseButton() && !cell.isCloseButtonSuppressed() && close_.normal)
        x += close_.normal->size().width + 4;
    return kit::MakeRect(x, f.origin.y + (cell.state() == 1 ? 2 : 3), 16, 16);
}

kit::Rect XTMetalTabStyle::indicatorRectForTabCell(const XTTabBarCell& cell) const
{
    if (!cell.indicatorShown())
        return xtMetalZero();
    const kit::Rect f = cell.frame();
    return kit::MakeRect(f.origin.x + f.size.width - 6 - 16, f.origin.y + (cell.state() == 1 ? 2 : 3), 16, 16);
}

kit::Rect XTMetalTabStyle::objectCounterRectForTabCell(const XTTabBarCell& cell) const
{
    if (cell.count() == 0)
        return xtMetalZero();
    const kit::Rect f = cell.frame();
    const double width = std::max(20.0, attributedObjectCountValueForTabCell(cell).size().width + 8);
    double x = f.origin.x + f.size.width - 6 - width;
    if (cell.indicatorShown())
        x -= 20;
    return kit::MakeRect(x, f.origin.y + 4, width, 14);
}

double XTMetalTabStyle::widthOfCell(const XTTabBarCell& cell, bool desired) const
{
    double width = 6;
    if (cell.hasCloseButton() && !cell.isCloseButtonSuppressed() && close_.normal)
        width = close_.normal->size().width + 4 + 6;
    if (cell.hasIcon())
        width += 20;
    width += desired ? cell.attributedStringValue().size().width : 30;
    if (cell.count() > 0)
        width += objectCounterRectForTabCell(cell).size.width + 4;
    if (cell.indicatorShown())
        width += 20;
    return std::ceil(width + 6);
}

double XTMetalTabStyle::minimumWidthOfTabCell(const XTTabBarCell& cell) const { return widthOfCell(cell, false); }

double XTMetalTabStyle::desiredWidthOfTabCell(const XTTabBarCell& cell) const { return widthOfCell(cell, true); }

kit::AttributedString XTMetalTabStyle::attributedObjectCountValueForTabCell(const XTTabBarCell& cell) const
{
    return kit::AttributedString(QString::number(std::uint64_t(cell.count())), counterAttributes_);
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
    attributes.paragraphStyle = xtMetalTitleParagraph();
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
    const kit::Rect f = cell.frame();
    const bool selected = cell.state() == 1;
    double x = f.origin.x + 6;
    if (cell.hasCloseButton() && !cell.isCloseButtonSuppressed()) {
        const kit::Rect r = cell.closeButtonRectForFrame(f);
        if (const kit::Ref<kit::Image> image = closeImageForCell(cell, close_)) {
            drawImageInRectOfView(*image, r, view);
            x += image->size().width + 4;
        }
    }
    if (cell.hasIcon()) {
        kit::Rect r = iconRectForTabCell(cell);
        const kit::Ref<kit::TabViewItem> item = kit::dynamic_pointer_cast<kit::TabViewItem>(cell.representedObject().object());
        const kit::Ref<kit::Object> identifier = item ? item->identifier().object() : nullptr;
        const kit::Ref<kit::Image> icon =
            identifier ? kit::dynamic_pointer_cast<kit::Image>(identifier->valueForKey(QStringLiteral("icon")).object()) : nullptr;
        if (icon) {
            const kit::Size size = icon->size();
            if (size.width < 16)
                r.origin.x += (16 - size.width) * 0.5;
            if (size.height < 16)
                r.origin.y += (16 - size.height) * -0.5;
            drawImageInRectOfView(*icon, kit::MakeRect(r.origin.x, r.origin.y, size.width, size.height), view);
        }
        x += r.size.width + 4;
    }
    kit::Rect label = kit::MakeRect(x, f.origin.y + (selected ? 3 : 4), f.size.width - (x - f.origin.x) - 4, f.size.height);
    if (cell.indicatorShown())
        label.size.width -= 20;
    if (cell.count() > 0) {
        (cell.countColor() ? cell.countColor() : kit::Color::colorWithCalibratedWhiteAlpha(0.3, 0.6))->setFill();
        kit::Rect k = objectCounterRectForTabCell(cell);
        if (selected)
            k.origin.y -= 1;
        fillCounterBadge(k);
        const kit::AttributedString s = attributedObjectCountValueForTabCell(cell);
        const kit::Size size = s.size();
        s.drawInRect(kit::MakeRect(k.origin.x + (k.size.width - size.width) * 0.5 + 0.25,
            k.origin.y + (k.size.height - size.height) * 0.5 + 0.5, size.width, size.height));
        label.size.width -= k.size.width + 4;
    }
    cell.attributedStringValue().drawInRect(label);
}
