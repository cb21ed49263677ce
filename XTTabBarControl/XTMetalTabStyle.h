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
    kit::Rect dragRectForTabCellOrientation(const XTTabBarCell& cell, int orientation) const override;
    kit::Rect closeButtonRectForTabCellWithFrame(const XTTabBarCell& cell, kit::Rect frame) const override;
    kit::Rect iconRectForTabCell(const XTTabBarCell& cell) const override;
    kit::Rect indicatorRectForTabCell(const XTTabBarCell& cell) const override;
    kit::AttributedString attributedStringValueForTabCell(const XTTabBarCell& cell) const override;
    void drawTabCell(XTTabBarCell& cell) override;
    void drawBackgroundInRect(kit::Rect rect) override;
    void drawInteriorWithTabCellInView(XTTabBarCell& cell, kit::View* view) override;
};
