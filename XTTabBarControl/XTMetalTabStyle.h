#pragma once

// The default look of the tab bar: grey tabs on a darkened strip, the selected one cut out in
// the window's background, bold titles with a white engraving.

#include "XTTabBarControl/XTTabStyle.h"
#include "kit/graphics/StringDrawing.h"

class XTMetalTabStyle : public XTTabStyleBase {
    KIT_CLASS(XTMetalTabStyle)
public:
    XTMetalTabStyle();

    QString name() const override { return QStringLiteral("Metal"); }
    double leftMarginForTabBarControl() const override { return 10; }
    double rightMarginForTabBarControl() const override { return 24; }
    double topMarginForTabBarControl() const override { return 10; }
    kit::Ref<kit::Image> addTabButtonImage() const override { return addImage_; }
    kit::Ref<kit::Image> addTabButtonPressedImage() const override { return addPressedImage_; }
    kit::Ref<kit::Image> addTabButtonRolloverImage() const override { return addRolloverImage_; }
    kit::Rect dragRectForTabCellOrientation(const XTTabBarCell& cell, int orientation) const override;
    kit::Rect closeButtonRectForTabCellWithFrame(const XTTabBarCell& cell, kit::Rect frame) const override;
    kit::Rect iconRectForTabCell(const XTTabBarCell& cell) const override;
    kit::Rect indicatorRectForTabCell(const XTTabBarCell& cell) const override;
    kit::Rect objectCounterRectForTabCell(const XTTabBarCell& cell) const override;
    double minimumWidthOfTabCell(const XTTabBarCell& cell) const override;
    double desiredWidthOfTabCell(const XTTabBarCell& cell) const override;
    double tabCellHeight() const override { return 22; }
    kit::AttributedString attributedObjectCountValueForTabCell(const XTTabBarCell& cell) const override;
    kit::AttributedString attributedStringValueForTabCell(const XTTabBarCell& cell) const override;
    void drawTabCell(XTTabBarCell& cell) override;
    void drawBackgroundInRect(kit::Rect rect) override;
    void drawInteriorWithTabCellInView(XTTabBarCell& cell, kit::View* view) override;

    const CloseImages& closeImages() const { return close_; }

private:
    double widthOfCell(const XTTabBarCell& cell, bool desired) const;

    CloseImages close_;
    kit::Ref<kit::Image> addImage_;
    kit::Ref<kit::Image> addPressedImage_;
    kit::Ref<kit::Image> addRolloverImage_;
    kit::StringAttributes counterAttributes_;
};
