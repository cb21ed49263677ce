#include "XTTabBarControl/XTTabStyle.h"

#include "AppKitExtensions/JVLNSImage_Extension.h"
#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/StringDrawing.h"

KIT_REGISTER_CLASS(XTTabStyle, kit::Object) { }
KIT_REGISTER_CLASS(XTTabStyleBase, XTTabStyle) { }

kit::Ref<XTTabBarControl> XTTabStyleBase::tabBar() const { return tabBar_.lock(); }

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
