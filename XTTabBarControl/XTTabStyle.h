#pragma once

// What every drawing style of the tab bar answers: margins, the cell height, the rectangles of a
// cell's parts, cell widths, the title and counter strings, and the drawing of cells and the bar.
// XTTabStyleBase holds what the styles share: their images loaded once from the control's bundle,
// the choice of close image, the counter badge, the bar loop and the placeholder text.

#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Image.h"

#include <QString>

class XTTabBarCell;
class XTTabBarControl;

namespace kit {
class View;
}

class XTTabStyle : public kit::Object, public kit::Coding {
    KIT_CLASS(XTTabStyle)
public:
    virtual QString name() const = 0;
    virtual double leftMarginForTabBarControl() const = 0;
    virtual double rightMarginForTabBarControl() const = 0;
    virtual double topMarginForTabBarControl() const = 0;
    virtual void setOrientation(int orientation) = 0;
    virtual kit::Ref<kit::Image> addTabButtonImage() const = 0;
    virtual kit::Ref<kit::Image> addTabButtonPressedImage() const = 0;
    virtual kit::Ref<kit::Image> addTabButtonRolloverImage() const = 0;
    virtual kit::Rect dragRectForTabCellOrientation(const XTTabBarCell& cell, int orientation) const = 0;
    virtual kit::Rect closeButtonRectForTabCellWithFrame(const XTTabBarCell& cell, kit::Rect frame) const = 0;
    virtual kit::Rect iconRectForTabCell(const XTTabBarCell& cell) const = 0;
    virtual kit::Rect indicatorRectForTabCell(const XTTabBarCell& cell) const = 0;
    virtual kit::Rect objectCounterRectForTabCell(const XTTabBarCell& cell) const = 0;
    virtual double minimumWidthOfTabCell(const XTTabBarCell& cell) const = 0;
    virtual double desiredWidthOfTabCell(const XTTabBarCell& cell) const = 0;
    virtual double tabCellHeight() const = 0;
    virtual kit::AttributedString attributedObjectCountValueForTabCell(const XTTabBarCell& cell) const = 0;
    virtual kit::AttributedString attributedStringValueForTabCell(const XTTabBarCell& cell) const = 0;
    virtual void drawTabCell(XTTabBarCell& cell) = 0;
    virtual void drawBackgroundInRect(kit::Rect rect) = 0;
    virtual void drawTabBarInRect(XTTabBarControl& bar, kit::Rect rect) = 0;
    virtual void drawInteriorWithTabCellInView(XTTabBarCell& cell, kit::View* view) = 0;

    // kit::Coding: styles hold no settings of their own.
    void encodeWithCoder(kit::Coder&) const override { }
    void initWithCoder(kit::Coder&) override { }
};

class XTTabStyleBase : public XTTabStyle {
    KIT_CLASS(XTTabStyleBase)
public:
    // The image of that name in the control's bundle; null when there is none.
    static kit::Ref<kit::Image> bundleImage(const QString& name);

    // The six close images: normal, pressed, rollover, then the same for an edited tab.
    struct CloseImages {
        kit::Ref<kit::Image> normal, pressed, rollover, dirty, dirtyPressed, dirtyRollover;
    };
    // Pressed wins over rollover; an edited tab takes the dirty set.
    static kit::Ref<kit::Image> closeImageForCell(const XTTabBarCell& cell, const CloseImages& images);

    // The rounded badge of the counter in rectangle `k`, filled in the current colour.
    static void fillCounterBadge(kit::Rect k);
    // An image drawn at its rectangle's origin, moved down by the height in a flipped view.
    static void drawImageInRectOfView(const kit::Image& image, kit::Rect rect, const kit::View* view);

    kit::Ref<XTTabBarControl> tabBar() const;
    int orientation() const { return orientation_; }
    void setOrientation(int orientation) override { orientation_ = orientation; }

    // The bar: background, then every cell that shows (all of them while animating), or the
    // placeholder text when the bar has no tab view.
    void drawTabBarInRect(XTTabBarControl& bar, kit::Rect rect) override;

protected:
    kit::Weak<XTTabBarControl> tabBar_;
    int orientation_ = 0;
};
