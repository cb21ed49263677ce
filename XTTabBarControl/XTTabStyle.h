#pragma once

// What every drawing style of the tab bar answers: margins, the cell height, the rectangles of a
// cell's parts, cell widths, the title and counter strings, and the drawing of cells and the bar.
// XTTabStyleBase holds what the styles share: their images loaded once from the control's bundle,
// the choice of close image, widths, the counter badge, the common interior, the bar loop and the
// placeholder text.

#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/StringDrawing.h"

#include <functional>
#include <unordered_map>

#include <QString>
#include <QStringList>

class XTTabBarCell;
class XTTabBarControl;

namespace kit {
class ParagraphStyle;
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
    XTTabStyleBase();

    // The image of that name in the control's bundle; null when there is none.
    static kit::Ref<kit::Image> bundleImage(const QString& name);

    // The six close images: normal, pressed, rollover, then the same for an edited tab.
    struct CloseImages {
        kit::Ref<kit::Image> normal, pressed, rollover, dirty, dirtyPressed, dirtyRollover;
    };
    // Pressed wins over rollover; an edited tab takes the dirty set.
    static kit::Ref<kit::Image> closeImageForCell(const XTTabBarCell& cell, const CloseImages& images);
    const CloseImages& closeImages() const { return close_; }

    // The rounded badge of the counter in rectangle `k`, filled in the current colour.
    static void fillCounterBadge(kit::Rect k);
    // An image drawn at its rectangle's origin, moved down by the height in a flipped view.
    static void drawImageInRectOfView(const kit::Image& image, kit::Rect rect, const kit::View* view);
    // The "icon" of the identifier of the cell's tab-view item.
    static kit::Ref<kit::Image> iconOfCell(const XTTabBarCell& cell, const QString& key = QStringLiteral("icon"));

    kit::Ref<XTTabBarControl> tabBar() const;
    int orientation() const { return orientation_; }
    void setOrientation(int orientation) override { orientation_ = orientation; }

    kit::Ref<kit::Image> addTabButtonImage() const override { return addImage_; }
    kit::Ref<kit::Image> addTabButtonPressedImage() const override { return addPressedImage_; }
    kit::Ref<kit::Image> addTabButtonRolloverImage() const override { return addRolloverImage_; }
    double tabCellHeight() const override { return 22; }
    double rightMarginForTabBarControl() const override { return 24; }
    double topMarginForTabBarControl() const override { return 10; }

    // The counter badge: at least 20 wide, 6 from the right edge, 20 further left beside an indicator.
    kit::Rect objectCounterRectForTabCell(const XTTabBarCell& cell) const override;
    kit::AttributedString attributedObjectCountValueForTabCell(const XTTabBarCell& cell) const override;
    // Margins, close button, icon, title (shortest or desired), counter and indicator, in whole points.
    double minimumWidthOfTabCell(const XTTabBarCell& cell) const override { return widthOfCell(cell, false); }
    double desiredWidthOfTabCell(const XTTabBarCell& cell) const override { return widthOfCell(cell, true); }

    // The bar: background, then every cell that shows (all of them while animating), or the
    // placeholder text when the bar has no tab view.
    void drawTabBarInRect(XTTabBarControl& bar, kit::Rect rect) override;

protected:
    // A title paragraph style with tail truncation, centred or natural; each style keeps its own.
    static kit::Ref<kit::ParagraphStyle> makeTitleParagraph(bool centred);
    // The cell's title in the plain system font of 11 points.
    static kit::AttributedString plainTitle(const XTTabBarCell& cell, const kit::Ref<kit::ParagraphStyle>& paragraph);
    // The parts placed as most styles do: the close button at (6, dy) of `frame`; a 16-point icon
    // 6 in, after the close button when it shows; a 16-point indicator 6 from the right.
    kit::Rect standardCloseRect(kit::Rect frame, double dy) const;
    kit::Rect standardIconRect(const XTTabBarCell& cell, double dy) const;
    static kit::Rect standardIndicatorRect(const XTTabBarCell& cell, double dy);
    // The cell's frame one point wider: the drag image of most styles.
    static kit::Rect widenedFrame(const XTTabBarCell& cell);
    // The six close images, then the three add-tab images, by name.
    void loadButtonImages(const QStringList& names);
    // The light set of close and add-tab images that every style but Metal draws.
    void loadAquaButtonImages();
    double widthOfCell(const XTTabBarCell& cell, bool desired) const;
    // The badge in the cell's count colour (else white 0.3 at `defaultAlpha`) with the count centred.
    void drawCounter(const XTTabBarCell& cell, kit::Rect k, double defaultAlpha) const;

    // How a style places the parts of the common interior.
    struct InteriorLook {
        // The title's rectangle from the interior frame, the running left edge and the title's height.
        std::function<kit::Rect(kit::Rect frame, double x, double titleHeight)> labelRect;
        double counterShift = 0; // added to the counter's y
        double counterAlpha = 0.6;
        bool iconShiftsByItsRect = false; // flipped views move the icon down by 16, not its own height
        bool closeFromCellFrame = false;  // the close button is placed from the cell's frame, not `frame`
    };
    // Close button, icon, counter and title inside `frame`, left to right.
    void drawStandardInterior(XTTabBarCell& cell, kit::View* view, kit::Rect frame, const InteriorLook& look) const;
    // A cell's title measured and drawn as the attributed string itself does, its layout kept while
    // the string and the width stay the same: every repaint draws every title again.
    kit::Size sizeOfTitle(const XTTabBarCell& cell, const kit::AttributedString& title) const;
    void drawTitleInRect(const XTTabBarCell& cell, const kit::AttributedString& title, kit::Rect rect) const;

    kit::Weak<XTTabBarControl> tabBar_;
    int orientation_ = 0;
    CloseImages close_;
    kit::Ref<kit::Image> addImage_;
    kit::Ref<kit::Image> addPressedImage_;
    kit::Ref<kit::Image> addRolloverImage_;
    kit::StringAttributes counterAttributes_;

private:
    // By cell; a cell freed and another made at its address only finds a different title.
    mutable std::unordered_map<const XTTabBarCell*, kit::CachedStringLayout> titleLayouts_;
    kit::CachedStringLayout& titleLayoutOf(const XTTabBarCell& cell) const;
};
