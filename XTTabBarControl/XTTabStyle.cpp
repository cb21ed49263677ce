#include "XTTabBarControl/XTTabStyle.h"

#include "AppKitExtensions/JVLNSImage_Extension.h"
#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/controls/TabView.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/StringDrawing.h"

KIT_REGISTER_CLASS(XTTabStyle, kit::Object) { }
KIT_REGISTER_CLASS(XTTabStyleBase, XTTabStyle) { }

XTTabStyleBase::XTTabStyleBase()
{
    // A bold sans face; the application font stands in when the family is missing.
    kit::Ref<kit::Font> counterFont = kit::Font::fontWithNameSize(QStringLiteral("Helvetica"), 11);
    if (!counterFont)
        counterFont = kit::Font::systemFontOfSize(11);
    counterAttributes_.font = kit::FontManager::sharedFontManager()->convertFontToHaveTrait(counterFont, kit::BoldFontMask);
    counterAttributes_.foregroundColor = kit::Color::colorWithCalibratedWhiteAlpha(1.0, 0.85);
}

kit::Ref<XTTabBarControl> XTTabStyleBase::tabBar() const { return tabBar_.lock(); }

kit::Ref<kit::ParagraphStyle> XTTabStyleBase::makeTitleParagraph(bool centred)
{
    auto p = kit::make<kit::ParagraphStyle>();
    p->setLineBreakMode(kit::LineBreakByTruncatingTail);
    if (centred)
        p->setAlignment(kit::CenterTextAlignment);
    return p;
}

kit::AttributedString XTTabStyleBase::plainTitle(const XTTabBarCell& cell, const kit::Ref<kit::ParagraphStyle>& paragraph)
{
    kit::StringAttributes attributes;
    attributes.font = kit::Font::systemFontOfSize(11);
    attributes.paragraphStyle = paragraph;
    return kit::AttributedString(cell.stringValue(), attributes);
}

kit::Rect XTTabStyleBase::standardCloseRect(kit::Rect g, double dy) const
{
    if (!close_.normal)
        return {};
    const kit::Size size = close_.normal->size();
    return kit::MakeRect(g.origin.x + 6, g.origin.y + dy, size.width, size.height);
}

kit::Rect XTTabStyleBase::standardIconRect(const XTTabBarCell& cell, double dy) const
{
    if (!cell.hasIcon())
        return {};
    const kit::Rect f = cell.frame();
    double x = f.origin.x + 6;
    if (cell.hasCloseButton() && !cell.isCloseButtonSuppressed() && close_.normal)
        x += close_.normal->size().width + 4;
    return kit::MakeRect(x, f.origin.y + dy, 16, 16);
}

kit::Rect XTTabStyleBase::standardIndicatorRect(const XTTabBarCell& cell, double dy)
{
    if (!cell.indicatorShown())
        return {};
    const kit::Rect f = cell.frame();
    return kit::MakeRect(f.origin.x + f.size.width - 6 - 16, f.origin.y + dy, 16, 16);
}

kit::Rect XTTabStyleBase::widenedFrame(const XTTabBarCell& cell)
{
    kit::Rect r = cell.frame();
    r.size.width += 1;
    return r;
}

void XTTabStyleBase::loadButtonImages(const QStringList& names)
{
    kit::Ref<kit::Image>* images[] = { &close_.normal, &close_.pressed, &close_.rollover, &close_.dirty, &close_.dirtyPressed,
        &close_.dirtyRollover, &addImage_, &addPressedImage_, &addRolloverImage_ };
    for (std::size_t i = 0; i < std::size(images) && i < std::size_t(names.size()); ++i)
        *images[i] = bundleImage(names[qsizetype(i)]);
}

void XTTabStyleBase::loadAquaButtonImages()
{
    loadButtonImages({ "AquaTabClose_Front", "AquaTabClose_Front_Pressed", "AquaTabClose_Front_Rollover", "AquaTabCloseDirty_Front",
        "AquaTabCloseDirty_Front_Pressed", "AquaTabCloseDirty_Front_Rollover", "AquaTabNew", "AquaTabNewPressed", "AquaTabNewRollover" });
}

kit::Ref<kit::Image> XTTabStyleBase::iconOfCell(const XTTabBarCell& cell, const QString& key)
{
    const kit::Ref<kit::TabViewItem> item = kit::dynamic_pointer_cast<kit::TabViewItem>(cell.representedObject().object());
    const kit::Ref<kit::Object> identifier = item ? item->identifier().object() : nullptr;
    return identifier ? kit::dynamic_pointer_cast<kit::Image>(identifier->valueForKey(key).object()) : nullptr;
}

kit::Rect XTTabStyleBase::objectCounterRectForTabCell(const XTTabBarCell& cell) const
{
    if (cell.count() == 0)
        return {};
    const kit::Rect f = cell.frame();
    const double width = std::max(20.0, attributedObjectCountValueForTabCell(cell).size().width + 8);
    double x = f.origin.x + f.size.width - 6 - width;
    if (cell.indicatorShown())
        x -= 20;
    return kit::MakeRect(x, f.origin.y + 4, width, 14);
}

kit::AttributedString XTTabStyleBase::attributedObjectCountValueForTabCell(const XTTabBarCell& cell) const
{
    return kit::AttributedString(QString::number(std::uint64_t(cell.count())), counterAttributes_);
}

double XTTabStyleBase::widthOfCell(const XTTabBarCell& cell, bool desired) const
{
    double width = 6;
    if (cell.hasCloseButton() && !cell.isCloseButtonSuppressed() && close_.normal)
        width = close_.normal->size().width + 4 + 6;
    if (cell.hasIcon())
        width += 20;
    width += desired ? cell.attributedStringSize().width : 30;
    if (cell.count() > 0)
        width += objectCounterRectForTabCell(cell).size.width + 4;
    if (cell.indicatorShown())
        width += 20;
    return std::ceil(width + 6);
}

void XTTabStyleBase::drawCounter(const XTTabBarCell& cell, kit::Rect k, double defaultAlpha) const
{
    (cell.countColor() ? cell.countColor() : kit::Color::colorWithCalibratedWhiteAlpha(0.3, defaultAlpha))->setFill();
    fillCounterBadge(k);
    const kit::AttributedString s = attributedObjectCountValueForTabCell(cell);
    const kit::Size size = s.size();
    s.drawInRect(kit::MakeRect(k.origin.x + (k.size.width - size.width) * 0.5 + 0.25, k.origin.y + (k.size.height - size.height) * 0.5 + 0.5,
        size.width, size.height));
}

void XTTabStyleBase::drawStandardInterior(XTTabBarCell& cell, kit::View* view, kit::Rect f, const InteriorLook& look) const
{
    double x = f.origin.x + 6;
    if (cell.hasCloseButton() && !cell.isCloseButtonSuppressed()) {
        const kit::Rect r = cell.closeButtonRectForFrame(look.closeFromCellFrame ? cell.frame() : f);
        if (const kit::Ref<kit::Image> image = closeImageForCell(cell, close_)) {
            drawImageInRectOfView(*image, r, view);
            x += image->size().width + 4;
        }
    }
    if (cell.hasIcon()) {
        kit::Rect r = iconRectForTabCell(cell);
        if (const kit::Ref<kit::Image> icon = iconOfCell(cell)) {
            const kit::Size size = icon->size();
            if (size.width < 16)
                r.origin.x += (16 - size.width) * 0.5;
            if (size.height < 16)
                r.origin.y += (16 - size.height) * -0.5;
            drawImageInRectOfView(*icon, kit::MakeRect(r.origin.x, r.origin.y, size.width, look.iconShiftsByItsRect ? r.size.height : size.height), view);
        }
        x += r.size.width + 4;
    }
    const kit::AttributedString title = cell.attributedStringValue();
    kit::Rect label = look.labelRect(f, x, sizeOfTitle(cell, title).height);
    if (cell.indicatorShown())
        label.size.width -= 20;
    if (cell.count() > 0) {
        kit::Rect k = objectCounterRectForTabCell(cell);
        k.origin.y += look.counterShift;
        drawCounter(cell, k, look.counterAlpha);
        label.size.width -= k.size.width + 4;
    }
    drawTitleInRect(cell, title, label);
}

kit::CachedStringLayout& XTTabStyleBase::titleLayoutOf(const XTTabBarCell& cell) const
{
    if (titleLayouts_.size() > 512 && !titleLayouts_.count(&cell))
        titleLayouts_.clear();
    return titleLayouts_[&cell];
}

kit::Size XTTabStyleBase::sizeOfTitle(const XTTabBarCell& cell, const kit::AttributedString& title) const
{
    return titleLayoutOf(cell).size(title);
}

void XTTabStyleBase::drawTitleInRect(const XTTabBarCell& cell, const kit::AttributedString& title, kit::Rect rect) const
{
    titleLayoutOf(cell).drawInRect(title, rect);
}

kit::Ref<kit::Image> XTTabStyleBase::bundleImage(const QString& name)
{
    const QString path = XTTabBarControl::bundle()->pathForImageResource(name);
    if (path.isEmpty())
        return nullptr;
    auto image = kit::Image::imageByReferencingFile(path);
    if (image)
        image->setName(name);
    return image;
}

kit::Ref<kit::Image> XTTabStyleBase::closeImageForCell(const XTTabBarCell& cell, const CloseImages& images)
{
    const bool dirty = cell.isEdited();
    if (cell.closeButtonPressed())
        return dirty ? images.dirtyPressed : images.pressed;
    if (cell.closeButtonOver())
        return dirty ? images.dirtyRollover : images.rollover;
    return dirty ? images.dirty : images.normal;
}

void XTTabStyleBase::fillCounterBadge(kit::Rect k)
{
    auto path = kit::BezierPath::bezierPath();
    path->moveToPoint(kit::MakePoint(k.origin.x + 7, k.origin.y));
    path->lineToPoint(kit::MakePoint(k.origin.x + k.size.width - 7, k.origin.y));
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(
        kit::MakePoint(k.origin.x + k.size.width - 7, k.origin.y + 7), 7, 270, 90);
    path->lineToPoint(kit::MakePoint(k.origin.x + 7, k.origin.y + k.size.height));
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(kit::MakePoint(k.origin.x + 7, k.origin.y + 7), 7, 90, 270);
    path->fill();
}

void XTTabStyleBase::drawImageInRectOfView(const kit::Image& image, kit::Rect rect, const kit::View* view)
{
    kit::Point at = rect.origin;
    if (view && view->isFlipped())
        at.y += rect.size.height;
    JVLNSImage_Extension::drawAtPointOperation(image, at, kit::CompositeSourceOver);
}

void XTTabStyleBase::drawTabBarInRect(XTTabBarControl& bar, kit::Rect rect)
{
    if (orientation_ != bar.orientation())
        orientation_ = bar.orientation();
    if (tabBar_.lock().get() != &bar)
        tabBar_ = &bar;
    drawBackgroundInRect(rect);
    if (!bar.tabView()) {
        auto paragraph = kit::make<kit::ParagraphStyle>();
        paragraph->setAlignment(kit::CenterTextAlignment);
        kit::StringAttributes attributes;
        attributes.font = kit::Font::systemFontOfSize(11);
        attributes.paragraphStyle = paragraph;
        kit::StringDrawing::drawInRectWithAttributes(QStringLiteral("XTTabBarControl"),
            kit::MakeRect(rect.origin.x, rect.origin.y + 4, rect.size.width, rect.size.height - 4), attributes);
        return;
    }
    // A copy: drawing may not change the cells, but a cell may go while we walk.
    const std::vector<kit::Ref<XTTabBarCell>> cells = bar.cells();
    const bool animating = bar.isAnimating();
    for (const auto& cell : cells) {
        if (!animating && (cell->isInOverflowMenu() || !kit::IntersectsRect(cell->frame(), rect)))
            continue;
        cell->drawWithFrameInView(cell->frame(), &bar);
    }
}
