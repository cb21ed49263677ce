#include "XTTabBarControl/XTAquaTabStyle.h"

#include "AppKitExtensions/JVLNSImage_Extension.h"
#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"

KIT_REGISTER_CLASS(XTAquaTabStyle, XTTabStyleBase) { }

namespace {

// Only the first column and the first 22 rows of a strip are drawn.
const kit::Rect xtAquaSlice = kit::MakeRect(0, 0, 1, 22);

constexpr int xtAquaGraphiteTint = 6;

} // namespace

XTAquaTabStyle::XTAquaTabStyle()
{
    background_ = bundleImage(QStringLiteral("AquaTabsBackground"));
    down_ = bundleImage(QStringLiteral("AquaTabsDown"));
    downGraphite_ = bundleImage(QStringLiteral("AquaTabsDownGraphite"));
    downNonKey_ = bundleImage(QStringLiteral("AquaTabsDownNonKey"));
    for (const auto& strip : { background_, down_, downGraphite_, downNonKey_ })
        if (strip)
            strip->setFlipped(true);
    dividerDown_ = bundleImage(QStringLiteral("AquaTabsSeparatorDown"));
    divider_ = bundleImage(QStringLiteral("AquaTabsSeparator"));
    loadAquaButtonImages();
}

kit::Rect XTAquaTabStyle::dragRectForTabCellOrientation(const XTTabBarCell& cell, int) const { return cell.frame(); }

kit::Rect XTAquaTabStyle::closeButtonRectForTabCellWithFrame(const XTTabBarCell& cell, kit::Rect g) const
{
    return cell.hasCloseButton() ? standardCloseRect(g, 5) : kit::Rect {};
}

kit::Rect XTAquaTabStyle::iconRectForTabCell(const XTTabBarCell& cell) const { return standardIconRect(cell, 3); }

kit::Rect XTAquaTabStyle::indicatorRectForTabCell(const XTTabBarCell& cell) const { return standardIndicatorRect(cell, 3); }

kit::AttributedString XTAquaTabStyle::attributedStringValueForTabCell(const XTTabBarCell& cell) const
{
    static const kit::Ref<kit::ParagraphStyle> paragraph = makeTitleParagraph(true);
    return plainTitle(cell, paragraph);
}

void XTAquaTabStyle::drawBackgroundInRect(kit::Rect rect)
{
    if (rect.size.height > 22 || !background_)
        return;
    const kit::Ref<XTTabBarControl> bar = tabBar();
    background_->drawInRectFromRectOperationFraction(bar ? bar->bounds() : kit::Rect {}, xtAquaSlice, kit::CompositeSourceOver, 1);
}

kit::Ref<kit::Image> XTAquaTabStyle::selectedStripForCell(const XTTabBarCell& cell) const
{
    const kit::Ref<kit::View> control = cell.controlView();
    const kit::Ref<kit::Window> window = control ? control->window() : nullptr;
    if (!window || !window->isKeyWindow())
        return downNonKey_;
    int tint = cell.controlTint();
    if (tint == 0)
        tint = kit::Color::currentControlTint();
    return tint == xtAquaGraphiteTint ? downGraphite_ : down_;
}

void XTAquaTabStyle::drawTabCell(XTTabBarCell& cell)
{
    const kit::Rect f = cell.frame();
    if (cell.state() == 1) {
        if (const kit::Ref<kit::Image> strip = selectedStripForCell(cell))
            strip->drawInRectFromRectOperationFraction(f, xtAquaSlice, kit::CompositeSourceOver, 1);
    } else if (cell.isHighlighted()) {
        kit::Color::blackColor()->colorWithAlphaComponent(0.1)->set();
        kit::RectFillUsingOperation(kit::MakeRect(f.origin.x + 0.5, f.origin.y + 0.5, f.size.width, f.size.height), kit::CompositeSourceAtop);
    }
    if (divider_)
        JVLNSImage_Extension::drawAtPointOperation(
            *divider_, kit::MakePoint(f.origin.x + f.size.width - 1, f.origin.y + f.size.height), kit::CompositeSourceOver);
    drawInteriorWithTabCellInView(cell, cell.controlView().get());
}

void XTAquaTabStyle::drawInteriorWithTabCellInView(XTTabBarCell& cell, kit::View* view)
{
    InteriorLook look;
    look.labelRect = [](kit::Rect f, double x, double) {
        return kit::MakeRect(x, f.origin.y + 4, f.size.width - (x - f.origin.x) - 4, f.size.height);
    };
    look.counterAlpha = 0.45;
    drawStandardInterior(cell, view, cell.frame(), look);
}
