#pragma once

// Tabs as cards with rounded corners, filled with grey gradients while the application is active,
// standing on a grey gradient bar whose bottom line leaves a gap under the selected card.

#include "XTTabBarControl/XTTabStyle.h"

class XTCardTabStyle : public XTTabStyleBase {
    KIT_CLASS(XTCardTabStyle)
public:
    XTCardTabStyle();

    QString name() const override { return QStringLiteral("Card"); }
    double leftMarginForTabBarControl() const override { return leftMargin_; }
    // Not archived; the owner of the control may set it.
    void setLeftMarginForTabBarControl(double margin) { leftMargin_ = margin; }
    void setOrientation(int) override { }
    kit::Rect dragRectForTabCellOrientation(const XTTabBarCell& cell, int orientation) const override;
    kit::Rect closeButtonRectForTabCellWithFrame(const XTTabBarCell& cell, kit::Rect frame) const override;
    kit::Rect iconRectForTabCell(const XTTabBarCell& cell) const override;
    kit::Rect indicatorRectForTabCell(const XTTabBarCell& cell) const override;
    kit::AttributedString attributedStringValueForTabCell(const XTTabBarCell& cell) const override;
    void drawTabCell(XTTabBarCell& cell) override;
    void drawBackgroundInRect(kit::Rect rect) override;
    void drawTabBarInRect(XTTabBarControl& bar, kit::Rect rect) override;
    void drawInteriorWithTabCellInView(XTTabBarCell& cell, kit::View* view) override;

    // The card drawn for a cell frame: its corner radius follows the smaller side.
    static double cornerRadiusForCellFrame(kit::Rect frame);

private:
    double leftMargin_ = 5;
};
