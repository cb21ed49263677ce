#pragma once

// Light grey tabs with rounded top corners that continue a unified window toolbar; under a
// toolbar showing its baseline separator, unselected tabs become plain dividers. Horizontal only.

#include "XTTabBarControl/XTTabStyle.h"

class XTUnifiedTabStyle : public XTTabStyleBase {
    KIT_CLASS(XTUnifiedTabStyle)
public:
    XTUnifiedTabStyle();

    QString name() const override { return QStringLiteral("Unified"); }
    double leftMarginForTabBarControl() const override { return leftMargin_; }
    void setLeftMarginForTabBarControl(double margin) { leftMargin_ = margin; }
    void setOrientation(int) override { }
    kit::Rect dragRectForTabCellOrientation(const XTTabBarCell& cell, int orientation) const override;
    // The press handler checks suppression; the rectangle does not.
    kit::Rect closeButtonRectForTabCellWithFrame(const XTTabBarCell& cell, kit::Rect frame) const override;
    kit::Rect iconRectForTabCell(const XTTabBarCell& cell) const override;
    kit::Rect indicatorRectForTabCell(const XTTabBarCell& cell) const override;
    kit::AttributedString attributedStringValueForTabCell(const XTTabBarCell& cell) const override;
    void drawTabCell(XTTabBarCell& cell) override;
    void drawBackgroundInRect(kit::Rect rect) override;
    void drawInteriorWithTabCellInView(XTTabBarCell& cell, kit::View* view) override;

    // Whether the cell's window has a toolbar showing its baseline separator.
    static bool cellHasSeparator(const XTTabBarCell& cell);

private:
    double leftMargin_ = 5;
};
