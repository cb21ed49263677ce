#include "XTTabBarControl/XTPebbleTabStyle.h"

#include "XTTabBarControl/XTShading.h"
#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/Shadow.h"

#include <cmath>
#include <utility>
#include <vector>

KIT_REGISTER_CLASS(XTPebbleTabStyle, XTTabStyleBase) { }

namespace {

// Main thread only, shared by every Pebble style.
std::vector<std::pair<kit::AttributedString, double>>& xtPebbleHeights()
{
    static std::vector<std::pair<kit::AttributedString, double>> heights;
    return heights;
}

kit::Ref<kit::Color> xtPebbleWhite(double white) { return kit::Color::colorWithCalibratedWhiteAlpha(white, 1); }

bool xtPebbleWindowIsKey(const XTTabBarControl* bar)
{
    const kit::Ref<kit::TabView> tabView = bar ? bar->tabView() : nullptr;
    const kit::Ref<kit::Window> window = tabView ? tabView->window() : nullptr;
    return window && window->isKeyWindow();
}

// The unified fill: the toolbar's grey while the window is key, else the window's background.
void xtPebbleUnifiedFill(kit::Rect rect, bool key)
{
    if (key) {
        XTShading::linearGradientFillWithStartColorEndColor(*kit::BezierPath::bezierPathWithRect(rect), *xtPebbleWhite(0.835), *xtPebbleWhite(0.843));
    } else {
        kit::Color::windowBackgroundColor()->set();
        kit::RectFill(rect);
    }
}

void xtPebbleStrokeWithShadow(kit::BezierPath& path, kit::Shadow& shadow, kit::Size offset)
{
    kit::GraphicsContext* context = kit::GraphicsContext::currentContext();
    context->saveGraphicsState();
    shadow.setShadowOffset(offset);
    shadow.set();
    path.stroke();
    context->restoreGraphicsState();
}

kit::Ref<kit::Shadow> xtPebbleShadow()
{
    auto shadow = kit::make<kit::Shadow>();
    shadow->setShadowBlurRadius(2);
    shadow->setShadowColor(xtPebbleWhite(0.6));
    return shadow;
}

kit::Ref<kit::BezierPath> xtPebbleLine(kit::Point from, kit::Point to)
{
    auto path = kit::BezierPath::bezierPath();
    path->setLineWidth(1);
    path->moveToPoint(from);
    path->lineToPoint(to);
    return path;
}

} // namespace

XTPebbleTabStyle::XTPebbleTabStyle()
{
    loadAquaButtonImages();
    gradient_ = bundleImage(QStringLiteral("PebbleGradient"));
}

bool XTPebbleTabStyle::closeButtonIsEnabledForCell(const XTTabBarCell& cell) const
{
    return cell.hasCloseButton() && !cell.isCloseButtonSuppressed();
}

double XTPebbleTabStyle::tabCellHeight() const { return vertical() ? 28 : 22; }

kit::Rect XTPebbleTabStyle::dragRectForTabCellOrientation(const XTTabBarCell& cell, int orientation) const
{
    kit::Rect r = cell.frame();
    if (orientation == XTTabBarHorizontalOrientation && (cell.tabState() & XTTabSelectedMask)) {
        r.size.width += 1;
        r.size.height -= 2;
    }
    return r;
}

kit::Rect XTPebbleTabStyle::closeButtonRectForTabCellWithFrame(const XTTabBarCell& cell, kit::Rect r) const
{
    if (!closeButtonIsEnabledForCell(cell) || !close_.normal)
        return {};
    const kit::Size z = close_.normal->size();
    if (vertical())
        return kit::MakeRect(r.origin.x + r.size.width - 8 - z.width, r.origin.y + r.size.height / 2 - z.height / 2 + 1, z.width, z.height);
    return kit::MakeRect(r.origin.x + 4, r.origin.y + 5 - (cell.state() == 1 ? 1 : 0), z.width, z.height);
}

kit::Rect XTPebbleTabStyle::iconRectForTabCell(const XTTabBarCell& cell) const
{
    if (!cell.hasIcon())
        return {};
    const kit::Ref<kit::Image> icon = iconOfCell(cell);
    const kit::Size i = icon ? icon->size() : kit::Size {};
    const kit::Rect f = cell.frame();
    kit::Rect r;
    if (vertical()) {
        r = kit::MakeRect(f.origin.x + f.size.width - 8 - i.width, f.origin.y + f.size.height / 2 - i.height / 2 + 1, i.width, i.height);
    } else {
        r = kit::MakeRect(f.origin.x + 4, f.origin.y + 3, i.width, i.height);
        if (i.width < 16)
            r.origin.x += (16 - i.width) / 2;
        if (i.height < 16)
            r.origin.y += (16 - i.height) / 2;
    }
    if (cell.state() == 1)
        r.origin.y -= 1;
    return r;
}

kit::Rect XTPebbleTabStyle::indicatorRectForTabCell(const XTTabBarCell& cell) const
{
    if (!cell.indicatorShown())
        return {};
    const kit::Rect f = cell.frame();
    return kit::MakeRect(f.origin.x + f.size.width - 4 - 16, f.origin.y + 3 - (cell.state() == 1 ? 1 : 0), 16, 16);
}

kit::Size XTPebbleTabStyle::sizeForObjectCounterRectForTabCell(const XTTabBarCell& cell) const
{
    return kit::MakeSize(std::max(20.0, attributedObjectCountValueForTabCell(cell).size().width + 11), 14);
}

kit::Rect XTPebbleTabStyle::objectCounterRectForTabCell(const XTTabBarCell& cell) const
{
    if (cell.count() == 0)
        return {};
    const kit::Rect f = cell.frame();
    const kit::Size s = sizeForObjectCounterRectForTabCell(cell);
    double x = f.origin.x + f.size.width - 4 - s.width;
    if (cell.indicatorShown())
        x -= 18;
    return kit::MakeRect(x, f.origin.y + 4, s.width, s.height);
}

double XTPebbleTabStyle::pebbleWidth(const XTTabBarCell& cell, bool desired) const
{
    double width = 4;
    if (closeButtonIsEnabledForCell(cell))
        width = std::max(iconRectForTabCell(cell).size.width, close_.normal ? close_.normal->size().width : 0.0) + 2 + 4;
    else if (cell.hasIcon())
        width = iconRectForTabCell(cell).size.width + 2 + 4; // the interior gives the icon this room
    width += desired ? cell.attributedStringSize().width + 2 : 30;
    if (cell.count() > 0 && !vertical())
        width += objectCounterRectForTabCell(cell).size.width + 2;
    if (cell.indicatorShown())
        width += 18;
    return std::ceil(width + 4);
}

kit::AttributedString XTPebbleTabStyle::attributedStringValueForTabCell(const XTTabBarCell& cell) const
{
    kit::StringAttributes attributes;
    attributes.font = kit::Font::systemFontOfSize(11);
    attributes.foregroundColor = kit::Color::controlTextColor();
    static const kit::Ref<kit::ParagraphStyle> paragraph = makeTitleParagraph(false);
    attributes.paragraphStyle = paragraph;
    return kit::AttributedString(cell.stringValue(), attributes);
}

double XTPebbleTabStyle::heightOfAttributedStringWithWidth(const kit::AttributedString& string, double width)
{
    auto& heights = xtPebbleHeights();
    if (heights.size() >= 101)
        heights.clear();
    for (const auto& [cached, height] : heights)
        if (cached == string)
            return height;
    double height = 0;
    if (string.length() > 0) {
        const kit::StringAttributes attributes = string.attributesAtIndex(0);
        const kit::Ref<kit::Font> font = attributes.font ? attributes.font : kit::Font::systemFontOfSize(kit::Font::systemFontSize());
        const QStringList lines
            = kit::StringDrawing::layoutLines(string.string(), width, 10000000, kit::StringDrawingUsesLineFragmentOrigin, attributes);
        height = lines.size() * font->defaultLineHeightForFont();
    }
    heights.emplace_back(string, height);
    return height;
}

std::size_t XTPebbleTabStyle::heightCacheCountForTesting() { return xtPebbleHeights().size(); }

kit::Ref<kit::BezierPath> XTPebbleTabStyle::bezierPathWithRoundedRectRadius(kit::Rect rect, double r)
{
    const double x = rect.origin.x, y = rect.origin.y, w = rect.size.width, h = rect.size.height;
    auto path = kit::BezierPath::bezierPath();
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(kit::MakePoint(x + r, y + r), r, 180, 270);
    path->lineToPoint(kit::MakePoint(x + w - r, y));
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(kit::MakePoint(x + w - r, y + r), r, 270, 0);
    path->lineToPoint(kit::MakePoint(x + w, y + h - r));
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(kit::MakePoint(x + w - r, y + h - r), r, 0, 90);
    path->lineToPoint(kit::MakePoint(x + r, y + h));
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(kit::MakePoint(x + r, y + h - r), r, 90, 180);
    path->lineToPoint(kit::MakePoint(x, y + r));
    return path;
}

void XTPebbleTabStyle::drawObjectCounterInCellWithRect(const XTTabBarCell& cell, kit::Rect k) const
{
    k.origin.x += 3;
    k.size.width -= 3;
    if (cell.state() == 1)
        k.origin.y -= 1;
    drawCounter(cell, k, 0.6);
}

void XTPebbleTabStyle::drawInteriorWithTabCellInView(XTTabBarCell& cell, kit::View* view)
{
    kit::Rect f = cell.frame();
    kit::GraphicsContext* context = kit::GraphicsContext::currentContext();
    if (vertical() && cell.hasLargeImage()) {
        if (const kit::Ref<kit::Image> large = iconOfCell(cell, QStringLiteral("largeImage")); large && context) {
            context->saveGraphicsState();
            kit::AffineTransform transform;
            transform.translateXByYBy(f.origin.x + 4, f.origin.y + 2 + 24);
            transform.scaleXByYBy(1, -1);
            transform.concat();
            bezierPathWithRoundedRectRadius(kit::MakeRect(0, 0, 24, 24), 3)->addClip();
            large->drawInRectFromRectOperationFraction(kit::MakeRect(0, 0, 24, 24), kit::Rect {}, kit::CompositeSourceOver, 1);
            context->restoreGraphicsState();
        }
        f.origin.x += 24;
        f.size.width -= 24;
    }
    kit::Rect label = kit::MakeRect(f.origin.x + 4, vertical() ? f.origin.y : f.origin.y + 4, f.size.width - 6, f.size.height);
    const kit::Ref<kit::Image> icon = cell.hasIcon() ? iconOfCell(cell) : nullptr;
    if (closeButtonIsEnabledForCell(cell)) {
        kit::Rect b = cell.closeButtonRectForFrame(f);
        const kit::Rect i = iconRectForTabCell(cell);
        if (cell.hasIcon() && b.size.width < i.size.width)
            b.origin.x = i.origin.x + i.size.width / 2 - b.size.width / 2;
        const bool dirty = cell.isEdited();
        kit::Ref<kit::Image> image;
        kit::Rect at = b;
        if (cell.closeButtonPressed()) {
            image = dirty ? close_.dirtyPressed : close_.pressed;
        } else if (cell.closeButtonOver()) {
            image = dirty ? close_.dirtyRollover : close_.rollover;
        } else if (vertical() && cell.count() > 0) {
            // The counter takes the close button's place until the pointer comes.
            const kit::Size s = sizeForObjectCounterRectForTabCell(cell);
            if (b.size.width < s.width) {
                b.origin.x -= s.width - b.size.width;
                b.size.width = s.width;
            }
            b.origin.y = f.origin.y + (f.size.height - s.height) / 2;
            b.size.height = s.height;
            drawObjectCounterInCellWithRect(cell, b);
        } else if (cell.hasIcon()) {
            image = icon;
            at = i;
        } else {
            image = dirty ? close_.dirty : close_.normal;
        }
        if (image)
            drawImageInRectOfView(*image, at, view);
        if (vertical()) {
            label.size.width = (b.size.width >= i.size.width ? b.origin.x : i.origin.x) - 2 - label.origin.x;
        } else {
            const double left = (b.size.width < i.size.width ? i.origin.x + i.size.width : b.origin.x + b.size.width) + 4;
            label.size.width -= left - label.origin.x;
            label.origin.x = left;
        }
    } else if (cell.hasIcon()) {
        const kit::Rect i = iconRectForTabCell(cell);
        if (icon)
            drawImageInRectOfView(*icon, i, view);
        if (vertical()) {
            label.size.width -= i.size.width + 2;
        } else {
            label.origin.x += i.size.width + 2;
            label.size.width -= i.size.width + 2;
        }
    }
    if (cell.state() == 1)
        label.origin.y -= 1;
    if (cell.indicatorShown())
        label.size.width -= 18;
    if (cell.count() > 0 && !vertical()) {
        const kit::Rect k = objectCounterRectForTabCell(cell);
        drawObjectCounterInCellWithRect(cell, k);
        label.size.width -= k.size.width + 2;
    }
    const kit::AttributedString title = cell.attributedStringValue();
    if (vertical()) {
        const double height = heightOfAttributedStringWithWidth(title, label.size.width);
        if (height < label.size.height)
            label.origin.y += (label.size.height - height) / 2;
    }
    drawTitleInRect(cell, title, label);
}

void XTPebbleTabStyle::drawTabCell(XTTabBarCell& cell)
{
    kit::GraphicsContext* context = kit::GraphicsContext::currentContext();
    if (!context)
        return;
    const kit::Rect f = cell.frame();
    context->saveGraphicsState();
    context->setShouldAntialias(false);
    kit::Color::grayColor()->setStroke();
    const kit::Ref<kit::Shadow> shadow = xtPebbleShadow();
    const double x = f.origin.x, y = f.origin.y, w = f.size.width, h = f.size.height;
    if (cell.state() != 1) {
        if (cell.isHighlighted()) {
            kit::Color::blackColor()->colorWithAlphaComponent(0.1)->set();
            kit::RectFillUsingOperation(f, kit::CompositeSourceAtop);
        }
        if (!vertical()) {
            auto edges = xtPebbleLine(kit::MakePoint(x, y), kit::MakePoint(x + w, y));
            if (!(cell.tabState() & XTTabRightNeighbourSelectedMask))
                edges->lineToPoint(kit::MakePoint(x + w, y + h));
            edges->stroke();
        }
    } else if (!vertical()) {
        const kit::Rect a = kit::MakeRect(x, y, w, h - 2.5);
        const double ax = a.origin.x, ay = a.origin.y, aw = a.size.width, ah = a.size.height;
        if (drawsUnified_)
            xtPebbleUnifiedFill(a, xtPebbleWindowIsKey(tabBar().get()));
        else if (gradient_)
            gradient_->drawInRectFromRectOperationFraction(a, kit::Rect {}, kit::CompositeSourceOver, 1);
        xtPebbleStrokeWithShadow(*xtPebbleLine(kit::MakePoint(ax, ay), kit::MakePoint(ax, ay + ah)), *shadow, kit::MakeSize(-2, -2));
        auto rest = xtPebbleLine(kit::MakePoint(ax, ay + ah), kit::MakePoint(ax + aw, ay + ah));
        rest->lineToPoint(kit::MakePoint(ax + aw, ay));
        const kit::Ref<kit::View> control = cell.controlView();
        if (!control || control->frame().size.height < 2) {
            rest->moveToPoint(kit::MakePoint(ax, ay + 0.5));
            rest->lineToPoint(kit::MakePoint(ax + aw, ay + 0.5));
        }
        xtPebbleStrokeWithShadow(*rest, *shadow, kit::MakeSize(2, -2));
    } else {
        const kit::Rect a = drawsRight_ ? kit::MakeRect(x - 1, y, w - 3, h) : kit::MakeRect(x + 2, y, w - 2, h);
        const double ax = a.origin.x, ay = a.origin.y, aw = a.size.width, ah = a.size.height;
        if (drawsUnified_)
            xtPebbleUnifiedFill(a, xtPebbleWindowIsKey(tabBar().get()));
        else if (drawsRight_)
            XTShading::linearVerticalGradientFillWithStartColorEndColor(*kit::BezierPath::bezierPathWithRect(a), *xtPebbleWhite(0.92), *xtPebbleWhite(0.98));
        else
            XTShading::linearVerticalGradientFillWithStartColorEndColor(*kit::BezierPath::bezierPathWithRect(a), *xtPebbleWhite(0.98), *xtPebbleWhite(0.92));
        xtPebbleLine(kit::MakePoint(ax, ay), kit::MakePoint(ax + aw, ay))->stroke();
        kit::Ref<kit::BezierPath> side;
        if (drawsRight_) {
            side = xtPebbleLine(kit::MakePoint(ax + aw, ay), kit::MakePoint(ax + aw, ay + ah));
            side->lineToPoint(kit::MakePoint(ax, ay + ah));
        } else {
            side = xtPebbleLine(kit::MakePoint(ax, ay), kit::MakePoint(ax, ay + ah));
            side->lineToPoint(kit::MakePoint(ax + aw, ay + ah));
        }
        xtPebbleStrokeWithShadow(*side, *shadow, drawsRight_ ? kit::MakeSize(2, -2) : kit::MakeSize(-2, -2));
    }
    context->restoreGraphicsState();
    drawInteriorWithTabCellInView(cell, cell.controlView().get());
}

void XTPebbleTabStyle::drawBackgroundInRect(kit::Rect)
{
    kit::GraphicsContext* context = kit::GraphicsContext::currentContext();
    const kit::Ref<XTTabBarControl> bar = tabBar();
    if (!context)
        return;
    const kit::Rect r = bar ? bar->bounds() : kit::Rect {};
    if (vertical()) {
        kit::Color::colorWithCalibratedRedGreenBlueAlpha(0.9059, 0.9294, 0.9647, 1)->set();
        kit::RectFill(r);
    } else if (drawsUnified_) {
        xtPebbleUnifiedFill(r, xtPebbleWindowIsKey(bar.get()));
    } else {
        kit::Color::colorWithCalibratedWhiteAlpha(0.85, 0.6)->setFill();
        kit::BezierPath::fillRect(r);
    }
    context->saveGraphicsState();
    context->setShouldAntialias(false);
    kit::Color::grayColor()->setStroke();
    const kit::Ref<kit::Shadow> shadow = xtPebbleShadow();
    const double x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
    if (!vertical()) {
        xtPebbleStrokeWithShadow(*xtPebbleLine(kit::MakePoint(x, y + 1), kit::MakePoint(x + w, y + 1)), *shadow, kit::MakeSize(2, -2));
    } else {
        const double edge = drawsRight_ ? x : x + w - 1;
        xtPebbleStrokeWithShadow(*xtPebbleLine(kit::MakePoint(edge, y), kit::MakePoint(edge, y + h)), *shadow,
            drawsRight_ ? kit::MakeSize(2, -2) : kit::MakeSize(-2, -2));
        xtPebbleStrokeWithShadow(*xtPebbleLine(kit::MakePoint(x, y), kit::MakePoint(x + w, y)), *shadow, kit::MakeSize(0, -1));
    }
    context->restoreGraphicsState();
}

namespace {
const char* const xtPebbleImageKeys[] = { "closeButton", "closeButtonDown", "closeButtonOver", "closeDirtyButton", "closeDirtyButtonDown",
    "closeDirtyButtonOver", "addTabButtonImage", "addTabButtonPressedImage", "addTabButtonRolloverImage" };
} // namespace

void XTPebbleTabStyle::encodeWithCoder(kit::Coder& coder) const
{
    const kit::Ref<kit::Image> images[] = { close_.normal, close_.pressed, close_.rollover, close_.dirty, close_.dirtyPressed,
        close_.dirtyRollover, addImage_, addPressedImage_, addRolloverImage_ };
    for (std::size_t i = 0; i < std::size(images); ++i)
        if (images[i])
            coder.encodeObjectForKey(kit::Value(images[i]), QLatin1String(xtPebbleImageKeys[i]));
    coder.encodeBoolForKey(drawsUnified_, QStringLiteral("drawsUnified"));
    coder.encodeBoolForKey(drawsRight_, QStringLiteral("drawsRight"));
}

void XTPebbleTabStyle::initWithCoder(kit::Coder& coder)
{
    // Applied to a style made by the plain factory: the gradient and the counter's look stay.
    kit::Ref<kit::Image>* images[] = { &close_.normal, &close_.pressed, &close_.rollover, &close_.dirty, &close_.dirtyPressed,
        &close_.dirtyRollover, &addImage_, &addPressedImage_, &addRolloverImage_ };
    for (std::size_t i = 0; i < std::size(images); ++i) {
        const QString key = QLatin1String(xtPebbleImageKeys[i]);
        if (coder.containsValueForKey(key))
            if (auto image = kit::dynamic_pointer_cast<kit::Image>(coder.decodeObjectOfClassForKey(kit::Image::staticClass(), key)))
                *images[i] = image;
    }
    if (coder.containsValueForKey(QStringLiteral("drawsUnified")))
        drawsUnified_ = coder.decodeBoolForKey(QStringLiteral("drawsUnified"));
    if (coder.containsValueForKey(QStringLiteral("drawsRight")))
        drawsRight_ = coder.decodeBoolForKey(QStringLiteral("drawsRight"));
}
