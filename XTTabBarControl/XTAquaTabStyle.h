#pragma once

// A light bar drawn from stretched one-point slices: the background strip, the selected tab's strip
// chosen by tint and key state, and a divider at the right end of every tab. Plain centred titles.

#include "XTTabBarControl/XTTabStyle.h"

class XTAquaTabStyle : public XTTabStyleBase {
    KIT_CLASS(XTAquaTabStyle)
public:
    XTAquaTabStyle();

    QString name() const override { return QStringLiteral("Aqua"); }
    double leftMarginForTabBarControl() const override { return 0; }
    double topMarginForTabBarControl() const override { return 0; }
    // The style looks the same in both orientations.
    void setOrientation(int) override { }
    kit::Rect dragRectForTabCellOrientation(const XTTabBarCell& cell, int orientation) const override;
    kit::Rect closeButtonRectForTabCellWithFrame(const XTTabBarCell& cell, kit::Rect frame) const override;
    kit::Rect iconRectForTabCell(const XTTabBarCell& cell) const override;
    kit::Rect indicatorRectForTabCell(const XTTabBarCell& cell) const override;
    kit::AttributedString attributedStringValueForTabCell(const XTTabBarCell& cell) const override;
    void drawTabCell(XTTabBarCell& cell) override;
    void drawBackgroundInRect(kit::Rect rect) override;
    void drawInteriorWithTabCellInView(XTTabBarCell& cell, kit::View* view) override;

    // The strip a selected cell takes: its own tint (else the desktop's), the key state of its window.
    kit::Ref<kit::Image> selectedStripForCell(const XTTabBarCell& cell) const;

private:
    kit::Ref<kit::Image> background_, down_, downGraphite_, downNonKey_, dividerDown_, divider_;
};
