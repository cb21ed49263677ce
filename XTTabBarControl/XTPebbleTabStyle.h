#pragma once

// A light bar with shadowed grey edges; the selected tab filled with a gradient image (or, unified,
// with the grey of a unified toolbar). The one style with vertical bars of taller cells, large
// images on vertical tabs, edges on the right of a right-hand bar, and archived settings.

#include "XTTabBarControl/XTTabStyle.h"
#include "kit/graphics/BezierPath.h"

class XTPebbleTabStyle : public XTTabStyleBase {
    KIT_CLASS(XTPebbleTabStyle)
public:
    XTPebbleTabStyle();

    QString name() const override { return QStringLiteral("Pebble"); }
    double leftMarginForTabBarControl() const override { return 3; }
    double tabCellHeight() const override;
    kit::Rect dragRectForTabCellOrientation(const XTTabBarCell& cell, int orientation) const override;
    kit::Rect closeButtonRectForTabCellWithFrame(const XTTabBarCell& cell, kit::Rect frame) const override;
    kit::Rect iconRectForTabCell(const XTTabBarCell& cell) const override;
    kit::Rect indicatorRectForTabCell(const XTTabBarCell& cell) const override;
    kit::Rect objectCounterRectForTabCell(const XTTabBarCell& cell) const override;
    double minimumWidthOfTabCell(const XTTabBarCell& cell) const override { return pebbleWidth(cell, false); }
    double desiredWidthOfTabCell(const XTTabBarCell& cell) const override { return pebbleWidth(cell, true); }
    kit::AttributedString attributedStringValueForTabCell(const XTTabBarCell& cell) const override;
    void drawTabCell(XTTabBarCell& cell) override;
    void drawBackgroundInRect(kit::Rect rect) override;
    void drawInteriorWithTabCellInView(XTTabBarCell& cell, kit::View* view) override;

    // Host settings, archived.
    bool drawsUnified() const { return drawsUnified_; }
    void setDrawsUnified(bool flag) { drawsUnified_ = flag; }
    bool drawsRight() const { return drawsRight_; }
    void setDrawsRight(bool flag) { drawsRight_ = flag; }
    kit::Ref<kit::Image> gradientImage() const { return gradient_; }

    bool closeButtonIsEnabledForCell(const XTTabBarCell& cell) const;
    kit::Size sizeForObjectCounterRectForTabCell(const XTTabBarCell& cell) const;
    // The laid-out height at `width`, cached by string alone (a title is one truncated line); the
    // cache empties when it reaches 101 entries.
    static double heightOfAttributedStringWithWidth(const kit::AttributedString& string, double width);
    static std::size_t heightCacheCountForTesting();
    void drawObjectCounterInCellWithRect(const XTTabBarCell& cell, kit::Rect rect) const;
    // Four rounded corners, the path left open.
    static kit::Ref<kit::BezierPath> bezierPathWithRoundedRectRadius(kit::Rect rect, double radius);

    // kit::Coding:
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

private:
    double pebbleWidth(const XTTabBarCell& cell, bool desired) const;
    bool vertical() const { return orientation_ == 1; }

    kit::Ref<kit::Image> gradient_;
    bool drawsUnified_ = false;
    bool drawsRight_ = false;
};
