#include "QVTabBarView/QVTabBarButtonCell.h"

#include "QVTabBarView/QVProgressIndicator.h"
#include "QVTabBarView/QVTabBarExtensions.h"
#include "QVTabBarView/QVTabBarButton.h"
#include "QVTabBarView/QVTabBarView.h"
#include "QVTabBarView/QVTabBarViewExtensions.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/Shadow.h"
#include "kit/graphics/StringDrawing.h"

#include <algorithm>
#include <cmath>

KIT_REGISTER_CLASS(QVTabBarButtonCell, QVRolloverButtonCell)
{
    c.bundle("QVTabBarView");
    c.copyable();
}

namespace {

bool qvCellPresent(const kit::Rect& r) { return !(r == kit::ZeroRect); }

const kit::StringAttributes& qvCellCounterAttributes()
{
    static const kit::StringAttributes attributes = [] {
        kit::StringAttributes a;
        kit::Ref<kit::Font> font = kit::Font::fontWithNameSize(QStringLiteral("Helvetica"), 11);
        if (!font)
            font = kit::Font::systemFontOfSize(11);
        a.font = kit::FontManager::sharedFontManager()->convertFontToHaveTrait(font, kit::BoldFontMask);
        a.foregroundColor = kit::Color::colorWithCalibratedWhiteAlpha(1.0, 0.85);
        return a;
    }();
    return attributes;
}

} // namespace

QVTabBarButtonCell::QVTabBarButtonCell()
    : objectCountColor_(defaultObjectCountColor())
{ }

const kit::Ref<kit::ParagraphStyle>& QVTabBarButtonCell::titleParagraphStyle()
{
    static const kit::Ref<kit::ParagraphStyle> style = [] {
        auto p = kit::ParagraphStyle::defaultParagraphStyle();
        p->setLineBreakMode(kit::LineBreakByTruncatingTail);
        p->setAlignment(kit::CenterTextAlignment);
        return p;
    }();
    return style;
}

kit::Ref<kit::Color> QVTabBarButtonCell::defaultObjectCountColor() { return kit::Color::colorWithCalibratedWhiteAlpha(0.3, 0.45); }

QVTabBarButton* QVTabBarButtonCell::tabButton() const { return dynamic_cast<QVTabBarButton*>(controlView().get()); }

kit::Ref<QVTabBarView> QVTabBarButtonCell::tabBarView() const
{
    QVTabBarButton* b = tabButton();
    return b ? b->tabBarView() : nullptr;
}

kit::Ref<QVRolloverButton> QVTabBarButtonCell::closeButton() const
{
    QVTabBarButton* b = tabButton();
    return b ? b->closeButton() : nullptr;
}

kit::Ref<QVProgressIndicator> QVTabBarButtonCell::indicator() const
{
    QVTabBarButton* b = tabButton();
    return b ? b->indicator() : nullptr;
}

kit::Ref<QVTabStyle> QVTabBarButtonCell::viewStyle() const
{
    const kit::Ref<QVTabBarView> view = tabBarView();
    return view ? view->style() : nullptr;
}

void QVTabBarButtonCell::setStyle(kit::Ref<QVTabStyle> style)
{
    style_ = std::move(style);
    _updateSubButtons();
}

void QVTabBarButtonCell::setHasCloseButton(bool flag)
{
    if (hasCloseButton_ == flag)
        return;
    hasCloseButton_ = flag;
    _updateCloseButton();
}

void QVTabBarButtonCell::setSuppressCloseButton(bool flag)
{
    if (suppressCloseButton_ == flag)
        return;
    suppressCloseButton_ = flag;
    _updateCloseButton();
}

void QVTabBarButtonCell::setIsEdited(bool flag)
{
    if (isEdited_ == flag)
        return;
    isEdited_ = flag;
    _updateCloseButton();
}

void QVTabBarButtonCell::setIsProcessing(bool flag)
{
    if (isProcessing_ == flag)
        return;
    isProcessing_ = flag;
    _updateIndicator();
}

void QVTabBarButtonCell::setState(int state)
{
    QVRolloverButtonCell::setState(state);
    _updateSubButtons();
}

void QVTabBarButtonCell::calcDrawInfo(kit::Rect bounds)
{
    QVRolloverButtonCell::calcDrawInfo(bounds);
    _updateSubButtons();
}

void QVTabBarButtonCell::copyTo(kit::Object& copy) const
{
    QVRolloverButtonCell::copyTo(copy);
    auto& c = static_cast<QVTabBarButtonCell&>(copy);
    c.style_ = style_;
    c.tabState_ = tabState_;
    c.icon_ = icon_;
    c.largeImage_ = largeImage_;
    c.showObjectCount_ = showObjectCount_;
    c.objectCount_ = objectCount_;
    c.objectCountColor_ = objectCountColor_;
    c.isEdited_ = isEdited_;
    c.isProcessing_ = isProcessing_;
    c.hasCloseButton_ = hasCloseButton_;
    c.suppressCloseButton_ = suppressCloseButton_;
}

// Asking the style -------------------------------------------------------------------------------

kit::AttributedString QVTabBarButtonCell::attributedStringValue() const
{
    if (const kit::Ref<QVTabStyle> s = viewStyle(); s && s->implements("attributedStringValueForTabCell"))
        return s->attributedStringValueForTabCell(self());
    return self()->_attributedStringValue();
}

kit::AttributedString QVTabBarButtonCell::attributedObjectCountStringValue()
{
    if (const kit::Ref<QVTabStyle> s = viewStyle(); s && s->implements("attributedObjectCountStringValueForTabCell"))
        return s->attributedObjectCountStringValueForTabCell(this);
    return _attributedObjectCountStringValue();
}

kit::Size QVTabBarButtonCell::objectCounterSize()
{
    if (const kit::Ref<QVTabStyle> s = viewStyle(); s && s->implements("objectCounterSizeOfTabCell"))
        return s->objectCounterSizeOfTabCell(this);
    return _objectCounterSize();
}

kit::Ref<kit::Image> QVTabBarButtonCell::closeButtonImageOfType(std::uint64_t type)
{
    if (style_ && style_->implements("closeButtonImageOfTypeForTabCell"))
        return style_->closeButtonImageOfTypeForTabCell(type, this);
    return _closeButtonImageOfType(type);
}

double QVTabBarButtonCell::minimumWidthOfCell()
{
    if (style_ && style_->implements("minimumWidthOfTabCell"))
        return style_->minimumWidthOfTabCell(this);
    return _minimumWidthOfCell();
}

double QVTabBarButtonCell::desiredWidthOfCell()
{
    if (style_ && style_->implements("desiredWidthOfTabCell"))
        return style_->desiredWidthOfTabCell(this);
    return _desiredWidthOfCell();
}

kit::Rect QVTabBarButtonCell::drawingRectForBounds(kit::Rect bounds) const
{
    if (style_ && style_->implements("drawingRectForBoundsOfTabCell"))
        return style_->drawingRectForBoundsOfTabCell(bounds, self());
    return self()->_drawingRectForBounds(bounds);
}

kit::Size QVTabBarButtonCell::closeButtonSizeForBounds(kit::Rect bounds)
{
    if (style_ && style_->implements("closeButtonSizeForBoundsOfTabCell"))
        return style_->closeButtonSizeForBoundsOfTabCell(bounds, this);
    return _closeButtonSizeForBounds(bounds);
}

kit::Rect QVTabBarButtonCell::closeButtonRectForBounds(kit::Rect bounds)
{
    return throughStyle("closeButtonRectForBoundsOfTabCell", &QVTabStyle::closeButtonRectForBoundsOfTabCell, &QVTabBarButtonCell::_closeButtonRectForBounds, bounds);
}

kit::Rect QVTabBarButtonCell::titleRectForBounds(kit::Rect bounds) const
{
    if (style_ && style_->implements("titleRectForBoundsOfTabCell"))
        return style_->titleRectForBoundsOfTabCell(bounds, self());
    return self()->_titleRectForBounds(bounds);
}

kit::Rect QVTabBarButtonCell::iconRectForBounds(kit::Rect bounds)
{
    return throughStyle("iconRectForBoundsOfTabCell", &QVTabStyle::iconRectForBoundsOfTabCell, &QVTabBarButtonCell::_iconRectForBounds, bounds);
}

kit::Rect QVTabBarButtonCell::largeImageRectForBounds(kit::Rect bounds)
{
    const kit::Ref<QVTabBarView> view = tabBarView();
    if (view && view->orientation() == QVTabBarHorizontalOrientation)
        return kit::ZeroRect;
    if (style_ && style_->implements("largeImageRectForBoundsOfTabCell"))
        return style_->largeImageRectForBoundsOfTabCell(bounds, this);
    return _largeImageRectForBounds(bounds);
}

kit::Rect QVTabBarButtonCell::indicatorRectForBounds(kit::Rect bounds)
{
    return throughStyle("indicatorRectForBoundsOfTabCell", &QVTabStyle::indicatorRectForBoundsOfTabCell, &QVTabBarButtonCell::_indicatorRectForBounds, bounds);
}

kit::Rect QVTabBarButtonCell::objectCounterRectForBounds(kit::Rect bounds)
{
    return throughStyle("objectCounterRectForBoundsOfTabCell", &QVTabStyle::objectCounterRectForBoundsOfTabCell, &QVTabBarButtonCell::_objectCounterRectForBounds, bounds);
}

void QVTabBarButtonCell::throughStyle(const char* hook, StyleDraw styleDraw, OwnDraw ownDraw, kit::Rect frame, kit::View* controlView)
{
    if (style_ && style_->implements(hook))
        ((*style_).*styleDraw)(this, frame, controlView);
    else
        (this->*ownDraw)(frame, controlView);
}

kit::Rect QVTabBarButtonCell::throughStyle(const char* hook, StyleRect styleRect, OwnRect ownRect, kit::Rect bounds)
{
    if (style_ && style_->implements(hook))
        return ((*style_).*styleRect)(bounds, this);
    return (this->*ownRect)(bounds);
}

void QVTabBarButtonCell::drawWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    throughStyle("drawTabBarCellWithFrameInView", &QVTabStyle::drawTabBarCellWithFrameInView, &QVTabBarButtonCell::_drawWithFrameInView, frame, controlView);
}

void QVTabBarButtonCell::drawBezelWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    throughStyle("drawBezelOfTabCellWithFrameInView", &QVTabStyle::drawBezelOfTabCellWithFrameInView, &QVTabBarButtonCell::_drawBezelWithFrameInView, frame, controlView);
}

void QVTabBarButtonCell::drawInteriorWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    throughStyle("drawInteriorOfTabCellWithFrameInView", &QVTabStyle::drawInteriorOfTabCellWithFrameInView, &QVTabBarButtonCell::_drawInteriorWithFrameInView, frame, controlView);
}

void QVTabBarButtonCell::drawLargeImageWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    throughStyle("drawLargeImageOfTabCellWithFrameInView", &QVTabStyle::drawLargeImageOfTabCellWithFrameInView, &QVTabBarButtonCell::_drawLargeImageWithFrameInView, frame, controlView);
}

void QVTabBarButtonCell::drawIconWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    throughStyle("drawIconOfTabCellWithFrameInView", &QVTabStyle::drawIconOfTabCellWithFrameInView, &QVTabBarButtonCell::_drawIconWithFrameInView, frame, controlView);
}

void QVTabBarButtonCell::drawTitleWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    throughStyle("drawTitleOfTabCellWithFrameInView", &QVTabStyle::drawTitleOfTabCellWithFrameInView, &QVTabBarButtonCell::_drawTitleWithFrameInView, frame, controlView);
}

void QVTabBarButtonCell::drawObjectCounterWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    throughStyle("drawObjectCounterOfTabCellWithFrameInView", &QVTabStyle::drawObjectCounterOfTabCellWithFrameInView, &QVTabBarButtonCell::_drawObjectCounterWithFrameInView, frame, controlView);
}

void QVTabBarButtonCell::drawIndicatorWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    throughStyle("drawIndicatorOfTabCellWithFrameInView", &QVTabStyle::drawIndicatorOfTabCellWithFrameInView, &QVTabBarButtonCell::_drawIndicatorWithFrameInView, frame, controlView);
}

void QVTabBarButtonCell::drawCloseButtonWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    throughStyle("drawCloseButtonOfTabCellWithFrameInView", &QVTabStyle::drawCloseButtonOfTabCellWithFrameInView, &QVTabBarButtonCell::_drawCloseButtonWithFrameInView, frame, controlView);
}

// Defaults ---------------------------------------------------------------------------------------

double QVTabBarButtonCell::_leftMargin() { return 6; }

double QVTabBarButtonCell::_rightMargin()
{
    const kit::Ref<QVTabBarView> view = tabBarView();
    if (shouldDisplayCloseButton() && view && view->onlyShowCloseOnHover()) {
        const kit::Ref<kit::Image> close = closeButtonImageOfType(QVCloseButtonImageTypeStandard);
        return (close ? close->size().width : 0) + 6 + 4;
    }
    return 6;
}

kit::Rect QVTabBarButtonCell::_drawingRectForBounds(kit::Rect b)
{
    const double left = _leftMargin(), right = _rightMargin();
    return kit::MakeRect(b.origin.x + left, b.origin.y + 3, b.size.width - (right + left), b.size.height - 6);
}

kit::Size QVTabBarButtonCell::_closeButtonSizeForBounds(kit::Rect bounds)
{
    return kit::MakeSize(12, drawingRectForBounds(bounds).size.height);
}

kit::Rect QVTabBarButtonCell::_closeButtonRectForBounds(kit::Rect bounds)
{
    if (!shouldDisplayCloseButton())
        return kit::ZeroRect;
    return kit::Rect { drawingRectForBounds(bounds).origin, closeButtonSizeForBounds(bounds) };
}

kit::Rect QVTabBarButtonCell::_largeImageRectForBounds(kit::Rect bounds)
{
    if (!largeImage_)
        return kit::ZeroRect;
    const kit::Rect d = drawingRectForBounds(bounds);
    const kit::Rect k = closeButtonRectForBounds(bounds);
    double x = d.origin.x;
    if (qvCellPresent(k))
        x += k.size.width + 4;
    const kit::Size s = QVTabBarViewExtensions::scaleImageWithSizeToFitInSizeScalingType(largeImage_->size(), d.size, 3);
    double y = d.origin.y;
    if (s.height > d.size.height)
        y = d.origin.y + (s.height - d.size.height) / 2;
    if (s.width < 16)
        x += (16 - s.width) / 2;
    return kit::MakeRect(x, y, s.width, s.height);
}

kit::Rect QVTabBarButtonCell::_iconRectForBounds(kit::Rect bounds)
{
    if (!icon_)
        return kit::ZeroRect;
    const kit::Rect d = drawingRectForBounds(bounds);
    const kit::Rect k = closeButtonRectForBounds(bounds);
    double x = d.origin.x;
    double available = d.size.width;
    if (qvCellPresent(k)) {
        x += k.size.width + 4;
        available -= k.size.width + 4;
    }
    const kit::Size s = QVTabBarViewExtensions::scaleImageWithSizeToFitInSizeScalingType(
        icon_->size(), kit::MakeSize(icon_->size().width, d.size.height), 0);
    kit::Rect r;
    if (!title().isEmpty() || showObjectCount_ || isProcessing_) {
        r = kit::MakeRect(x, d.origin.y + (d.size.height - s.height) / 2, s.width, s.height);
        if (s.width < 16)
            r.origin.x += std::ceil((16 - s.width) / 2);
        if (s.height < 16)
            r.origin.y += std::ceil((16 - s.height) / 2 - 0.5);
    } else {
        r = kit::MakeRect(x + (available - s.width) / 2, d.origin.y + (d.size.height - s.height) / 2, s.width, s.height);
    }
    return kit::IntegralRect(r);
}

kit::Rect QVTabBarButtonCell::_indicatorRectForBounds(kit::Rect bounds)
{
    if (!isProcessing_)
        return kit::ZeroRect;
    const kit::Rect d = drawingRectForBounds(bounds);
    return kit::IntegralRect(kit::MakeRect(d.origin.x + d.size.width - 16, d.origin.y + d.size.height / 2 - 8, 16, 16));
}

kit::Size QVTabBarButtonCell::_objectCounterSize()
{
    if (!showObjectCount_)
        return kit::ZeroSize;
    return kit::MakeSize(std::max(20.0, attributedObjectCountStringValue().size().width + 8), 14);
}

kit::Rect QVTabBarButtonCell::_objectCounterRectForBounds(kit::Rect bounds)
{
    if (!showObjectCount_)
        return kit::ZeroRect;
    const kit::Rect d = drawingRectForBounds(bounds);
    double w = d.size.width;
    if (const kit::Rect p = indicatorRectForBounds(bounds); qvCellPresent(p))
        w -= p.size.width + 4;
    const kit::Size z = objectCounterSize();
    return kit::IntegralRect(
        kit::MakeRect(d.origin.x + w - z.width, std::ceil(d.origin.y + (d.size.height - z.height) / 2), z.width, z.height));
}

kit::Rect QVTabBarButtonCell::_titleRectForBounds(kit::Rect bounds)
{
    const kit::Rect d = drawingRectForBounds(bounds);
    double x = d.origin.x, w = d.size.width;
    for (const kit::Rect& r : { closeButtonRectForBounds(bounds), largeImageRectForBounds(bounds), iconRectForBounds(bounds) })
        if (qvCellPresent(r)) {
            x += r.size.width + 4;
            w -= r.size.width + 4;
        }
    for (const kit::Rect& r : { indicatorRectForBounds(bounds), objectCounterRectForBounds(bounds) })
        if (qvCellPresent(r))
            w -= r.size.width + 4;
    const kit::AttributedString s = attributedStringValue();
    if (s.length() == 0)
        return kit::ZeroRect;
    const double h = sizeOfTitle(s).height;
    return kit::IntegralRect(kit::MakeRect(x, d.origin.y + std::ceil((d.size.height - h) / 2), w, h));
}

double QVTabBarButtonCell::_minimumWidthOfCell()
{
    double width = _leftMargin();
    if (shouldDisplayCloseButton()) {
        const kit::Ref<kit::Image> close = closeButtonImageOfType(QVCloseButtonImageTypeStandard);
        width += (close ? close->size().width : 0) + 4;
    }
    if (icon_)
        width += 20;
    width += 30;
    if (showObjectCount_)
        width += objectCounterSize().width + 4;
    if (isProcessing_)
        width += 20;
    width += _rightMargin();
    return std::ceil(width);
}

double QVTabBarButtonCell::_desiredWidthOfCell()
{
    double width = _leftMargin();
    if (shouldDisplayCloseButton()) {
        const kit::Ref<kit::Image> close = closeButtonImageOfType(QVCloseButtonImageTypeStandard);
        width += (close ? close->size().width : 0) + 4;
    }
    if (icon_)
        width += 20;
    width += sizeOfTitle(attributedStringValue()).width;
    if (showObjectCount_)
        width += objectCounterSize().width + 4;
    if (isProcessing_)
        width += 20;
    width += _rightMargin();
    return std::ceil(width);
}

kit::AttributedString QVTitleAttributes::title(const QString& text, const kit::Ref<kit::Font>& font, const kit::Ref<kit::Color>& color,
    const std::function<void(kit::StringAttributes&)>& rest)
{
    const bool same = font_ && color_ && font && color && font_->isEqual(*font) && color_->isEqual(*color);
    if (!same) {
        kit::StringAttributes attributes;
        attributes.font = font;
        attributes.foregroundColor = color;
        if (rest)
            rest(attributes);
        attributes_ = attributes.dictionary();
        font_ = font;
        color_ = color;
    }
    return kit::AttributedString(text, attributes_);
}

kit::AttributedString QVTabBarButtonCell::_attributedStringValue()
{
    return titleAttributes_.title(title(), kit::Font::systemFontOfSize(11), kit::Color::controlTextColor(),
        [](kit::StringAttributes& a) { a.paragraphStyle = titleParagraphStyle(); });
}

kit::AttributedString QVTabBarButtonCell::_attributedObjectCountStringValue()
{
    // Signed: a negative count reads as one, not as a huge unsigned number.
    return kit::AttributedString(QString::number(objectCount_), qvCellCounterAttributes());
}

void QVTabBarButtonCell::_drawWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    drawBezelWithFrameInView(frame, controlView);
    drawInteriorWithFrameInView(frame, controlView);
}

void QVTabBarButtonCell::_drawInteriorWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    if (qvCellPresent(largeImageRectForBounds(frame)))
        drawLargeImageWithFrameInView(frame, controlView);
    if (qvCellPresent(iconRectForBounds(frame)))
        drawIconWithFrameInView(frame, controlView);
    if (qvCellPresent(titleRectForBounds(frame)))
        drawTitleWithFrameInView(frame, controlView);
    if (qvCellPresent(objectCounterRectForBounds(frame)))
        drawObjectCounterWithFrameInView(frame, controlView);
    if (qvCellPresent(indicatorRectForBounds(frame)))
        drawIndicatorWithFrameInView(frame, controlView);
    if (qvCellPresent(closeButtonRectForBounds(frame)))
        drawCloseButtonWithFrameInView(frame, controlView);
}

void QVTabBarButtonCell::_drawLargeImageWithFrameInView(kit::Rect frame, kit::View* controlView)
{
    const kit::Ref<QVTabBarView> view = QVTabBarExtensions::enclosingTabBarView(controlView);
    if (!view || view->orientation() != QVTabBarVerticalOrientation || !largeImage_)
        return;
    const kit::Rect r = largeImageRectForBounds(frame);
    kit::GraphicsContext::saveCurrentGraphicsState();
    const double radius = std::min(3.0, r.size.width / 4);
    kit::BezierPath::bezierPathWithRoundedRectXRadiusYRadius(r, radius, radius)->addClip();
    largeImage_->drawInRectFromRectOperationFractionRespectFlippedHints(r, kit::ZeroRect, kit::CompositeSourceOver, 1.0, true);
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVTabBarButtonCell::_drawIconWithFrameInView(kit::Rect frame, kit::View*)
{
    if (icon_)
        icon_->drawInRectFromRectOperationFractionRespectFlippedHints(iconRectForBounds(frame), kit::ZeroRect, kit::CompositeSourceOver, 1.0, true);
}

void QVTabBarButtonCell::_drawTitleWithFrameInView(kit::Rect frame, kit::View*)
{
    kit::GraphicsContext::saveCurrentGraphicsState();
    auto shadow = kit::make<kit::Shadow>();
    shadow->setShadowColor(kit::Color::colorWithCalibratedWhiteAlpha(1.0, 0.4));
    shadow->setShadowBlurRadius(1);
    shadow->setShadowOffset(kit::MakeSize(0, -1));
    shadow->set();
    drawTitleInRect(attributedStringValue(), titleRectForBounds(frame));
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

kit::Size QVTabBarButtonCell::sizeOfTitle(const kit::AttributedString& title) { return titleLayout_.size(title); }

void QVTabBarButtonCell::drawTitleInRect(const kit::AttributedString& title, kit::Rect rect) { titleLayout_.drawInRect(title, rect); }

void QVTabBarButtonCell::_drawObjectCounterWithFrameInView(kit::Rect frame, kit::View*)
{
    (objectCountColor_ ? objectCountColor_ : defaultObjectCountColor())->set();
    const kit::Rect k = objectCounterRectForBounds(frame);
    kit::BezierPath::bezierPathWithRoundedRectXRadiusYRadius(k, 7, 7)->fill();
    const kit::AttributedString s = attributedObjectCountStringValue();
    const kit::Size size = s.size();
    s.drawInRect(kit::MakeRect(k.origin.x + (k.size.width - size.width) / 2 + 0.25, k.origin.y + k.size.height / 2 - size.height / 2,
        size.width, size.height));
}

void QVTabBarButtonCell::_drawCloseButtonWithFrameInView(kit::Rect, kit::View*)
{
    const kit::Ref<QVRolloverButton> close = closeButton();
    if (!close)
        return;
    // Shown or hidden while drawing: the kit reads the subview's flag after its parent drew.
    const kit::Ref<QVTabBarView> view = tabBarView();
    if (view && view->onlyShowCloseOnHover())
        close->setHidden(!mouseHovered());
    else if (close->isHidden())
        close->setHidden(false);
}

// Sub-buttons ------------------------------------------------------------------------------------

void QVTabBarButtonCell::_updateSubButtons()
{
    _updateCloseButton();
    _updateIndicator();
}

void QVTabBarButtonCell::_updateCloseButtonImages()
{
    const kit::Ref<QVRolloverButton> close = closeButton();
    if (!close)
        return;
    const bool dirty = isEdited_;
    close->setImage(closeButtonImageOfType(dirty ? QVCloseButtonImageTypeDirty : QVCloseButtonImageTypeStandard));
    close->setAlternateImage(closeButtonImageOfType(dirty ? QVCloseButtonImageTypeDirtyPressed : QVCloseButtonImageTypePressed));
    close->setRolloverImage(closeButtonImageOfType(dirty ? QVCloseButtonImageTypeDirtyRollover : QVCloseButtonImageTypeRollover));
}

void QVTabBarButtonCell::_updateCloseButton()
{
    const kit::Ref<QVRolloverButton> close = closeButton();
    if (!close)
        return;
    _updateCloseButtonImages();
    const kit::Ref<QVTabBarView> view = tabBarView();
    if (!shouldDisplayCloseButton() || (view && view->isTabBarHidden())) {
        close->setHidden(true);
        return;
    }
    if (style_ && style_->implements("updateCloseButtonOfTabCell") && !style_->updateCloseButtonOfTabCell(close.get(), this)) {
        close->setHidden(true);
        return;
    }
    const kit::Ref<kit::View> control = controlView();
    const kit::Rect r = closeButtonRectForBounds(control ? control->bounds() : kit::ZeroRect);
    if (r == kit::ZeroRect) {
        close->setHidden(true);
    } else {
        close->setFrame(r);
        close->setHidden(false);
    }
}

void QVTabBarButtonCell::_updateIndicator()
{
    const kit::Ref<QVProgressIndicator> spinner = indicator();
    if (!spinner)
        return;
    const kit::Ref<QVTabBarView> view = tabBarView();
    if (!isProcessing_ || (view && view->isTabBarHidden())) {
        spinner->setHidden(true);
    } else {
        const kit::Ref<kit::View> control = controlView();
        const kit::Rect r = indicatorRectForBounds(control ? control->bounds() : kit::ZeroRect);
        if (r == kit::ZeroRect) {
            spinner->setHidden(true);
        } else {
            spinner->setFrame(r);
            spinner->setHidden(false);
        }
    }
    // A live resize of the bar keeps the spinners still; its end starts them again.
    if (isProcessing_ && !spinner->isHidden()) {
        if (!view || !view->inLiveResize())
            spinner->startAnimation(nullptr);
    } else {
        spinner->stopAnimation(nullptr);
    }
}
