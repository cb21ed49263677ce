#include "QVTabBarView/QVTabStyleSupport.h"

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVMetalTabStyle.h"
#include "QVTabBarView/QVTabBarButtonCell.h"
#include "QVTabBarView/QVTabBarView.h"
#include "QVTabBarView/QVTabBarViewExtensions.h"
#include "kit/appkit/Toolbar.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/Gradient.h"

#include <cmath>

namespace QVTabStyleSupport {

CloseImages aquaCloseImages()
{
    static const std::array<QString, 6> names { QStringLiteral("AquaTabClose_Front"), QStringLiteral("AquaTabClose_Front_Rollover"),
        QStringLiteral("AquaTabClose_Front_Pressed"), QStringLiteral("AquaTabCloseDirty_Front"), QStringLiteral("AquaTabCloseDirty_Front_Rollover"),
        QStringLiteral("AquaTabCloseDirty_Front_Pressed") };
    CloseImages images;
    for (std::size_t i = 0; i < images.size(); ++i)
        images[i] = QVTabBarView::bundleImage(names[i]);
    return images;
}

kit::Ref<kit::Image> closeImageOfType(const CloseImages& images, std::uint64_t type) { return type < images.size() ? images[type] : nullptr; }

void encodeImages(kit::Coder& coder, const CloseImages& images, const std::array<QString, 6>& keys)
{
    for (std::size_t i = 0; i < images.size(); ++i)
        if (images[i] && dynamic_cast<const kit::Coding*>(images[i].get()))
            coder.encodeObjectForKey(kit::Value(images[i]), keys[i]);
}

void decodeImages(kit::Coder& coder, CloseImages& images, const std::array<QString, 6>& keys)
{
    for (std::size_t i = 0; i < images.size(); ++i)
        if (coder.containsValueForKey(keys[i]))
            if (auto image = coder.decodeObjectForKey(keys[i]).objectAs<kit::Image>())
                images[i] = image;
}

bool isHorizontal(const QVTabBarView* view) { return !view || view->orientation() == QVTabBarHorizontalOrientation; }

bool hasVisibleToolbar(const kit::View* view)
{
    const kit::Ref<kit::Window> window = view ? view->window() : nullptr;
    const kit::Ref<kit::Toolbar> toolbar = window ? window->toolbar() : nullptr;
    return toolbar && toolbar->isVisible();
}

bool countsAsOverflowButton(const QVAttachedTabBarButton& button) { return button.isOverflowButton() && !button.isSliding(); }

bool drawsRightDivider(const QVAttachedTabBarButton& button) { return QVMetalTabStyle::drawsRightDivider(button); }

kit::Rect widenedStackingFrame(const QVAttachedTabBarButton* button)
{
    kit::Rect r = button ? button->stackingFrame() : kit::ZeroRect;
    r.size.width += 1;
    return r;
}

kit::Rect draggingRectOfTab(const QVAttachedTabBarButton* button, const QVTabBarView* view)
{
    kit::Rect r = widenedStackingFrame(button);
    if (!button)
        return r;
    const bool vertical = !isHorizontal(view);
    if (button->state() == kit::OnState) {
        if (vertical) {
            r.origin.x += 2;
            r.origin.y -= 1;
            r.size.height += 1;
            r.size.width -= 3;
        } else {
            r.size.height -= 2;
        }
    } else if (vertical) {
        r.origin.x -= 1;
    }
    return r;
}

kit::Size sizeFittedToHeight(const kit::Image& image, double height)
{
    return QVTabBarViewExtensions::scaleImageWithSizeToFitInSizeScalingType(image.size(), kit::MakeSize(image.size().width, height), 0);
}

kit::Rect closeButtonRect(kit::Rect bounds, QVTabBarButtonCell& cell, const std::function<double(kit::Rect, kit::Size)>& x)
{
    if (!cell.shouldDisplayCloseButton())
        return kit::ZeroRect;
    const kit::Ref<kit::Image> image = cell.closeButtonImageOfType(QVCloseButtonImageTypeStandard);
    if (!image)
        return kit::ZeroRect;
    const kit::Rect d = cell.drawingRectForBounds(bounds);
    const kit::Size s = sizeFittedToHeight(*image, d.size.height);
    kit::Rect r = kit::MakeRect(x(d, s), d.origin.y, s.width, s.height);
    if (d.size.height > s.height)
        r.origin.y += std::ceil((d.size.height - s.height) / 2);
    return kit::IntegralRect(r);
}

kit::Rect leadingIconRect(kit::Rect bounds, QVTabBarButtonCell& cell)
{
    const kit::Ref<kit::Image> icon = cell.icon();
    const kit::Ref<QVTabBarView> view = cell.tabBarView();
    if (!icon || (!isHorizontal(view.get()) && cell.largeImage()))
        return kit::ZeroRect;
    const kit::Rect d = cell.drawingRectForBounds(bounds);
    const kit::Size s = sizeFittedToHeight(*icon, d.size.height);
    kit::Rect r = kit::MakeRect(d.origin.x, d.origin.y, s.width, s.height);
    if (s.width < 16)
        r.origin.x += std::ceil((16 - s.width) / 2);
    if (s.height < 16)
        r.origin.y += std::ceil((16 - s.height) / 2 - 0.5);
    return kit::IntegralRect(r);
}

kit::Rect largeImageRect(kit::Rect bounds, QVTabBarButtonCell& cell)
{
    const kit::Ref<kit::Image> image = cell.largeImage();
    if (!image)
        return kit::ZeroRect;
    const kit::Rect d = cell.drawingRectForBounds(bounds);
    const kit::Size s = QVTabBarViewExtensions::scaleImageWithSizeToFitInSizeScalingType(image->size(), d.size, 3);
    kit::Rect r = kit::MakeRect(d.origin.x, d.origin.y, s.width, s.height);
    if (s.width < 16)
        r.origin.x += (16 - s.width) / 2;
    if (s.height > d.size.height)
        r.origin.y += (s.height - d.size.height) / 2;
    return r;
}

kit::StringAttributes counterAttributes(const QString& family)
{
    kit::Ref<kit::Font> font = kit::Font::fontWithNameSize(family, 11);
    if (!font)
        font = kit::Font::systemFontOfSize(11);
    kit::StringAttributes attributes;
    attributes.font = kit::FontManager::sharedFontManager()->convertFontToHaveTrait(font, kit::BoldFontMask);
    attributes.foregroundColor = kit::Color::colorWithCalibratedWhiteAlpha(1.0, 0.85);
    return attributes;
}

kit::AttributedString counterString(const QVTabBarButtonCell* cell, const kit::StringAttributes& attributes)
{
    return kit::AttributedString(QString::number(cell ? cell->objectCount() : 0), attributes);
}

void drawCardBezel(kit::Rect rect, double radius, std::uint32_t capMask, const kit::Ref<kit::Gradient>& gradient, double angle,
    const kit::Ref<kit::Color>& line)
{
    if (gradient)
        gradient->drawInBezierPathAngle(
            *QVTabBarViewExtensions::bezierPathWithCardInRectRadiusCapMask(rect, radius, capMask | QVFillCap), angle);
    auto outline = QVTabBarViewExtensions::bezierPathWithCardInRectRadiusCapMask(rect, radius, capMask & ~std::uint32_t(QVFillCap));
    line->setStroke();
    outline->stroke();
}

} // namespace QVTabStyleSupport
