#pragma once

// "Pebble": a light bar with shadowed grey edges, the selected tab filled with a gradient image
// (or grey gradients that continue a unified toolbar), and its own part layout in both
// orientations: under the pointer the close button takes the icon's place on a horizontal bar,
// the counter's on a vertical one (28 points high tabs).

#include "QVTabBarView/QVTabStyleSupport.h"
#include "kit/foundation/Coder.h"

class QVPebbleTabStyle : public QVTabStyle, public kit::Coding {
    KIT_CLASS(QVPebbleTabStyle)
public:
    QVPebbleTabStyle();

    static QString tabStyleName() { return QStringLiteral("Pebble"); }
    QString name() const override { return tabStyleName(); }

    void loadImages();
    bool drawsUnified() const { return drawsUnified_; }
    void setDrawsUnified(bool flag) { drawsUnified_ = flag; }
    // A vertical bar standing at the right: edges and shadows on the right.
    bool drawsRight() const { return drawsRight_; }
    void setDrawsRight(bool flag) { drawsRight_ = flag; }
    kit::Ref<kit::Image> gradientImage() const { return gradientImage_; }

    double leftMarginForTabBarView(QVTabBarView* view) override;
    double rightMarginForTabBarView(QVTabBarView* view) override;
    double topMarginForTabBarView(QVTabBarView* view) override;
    double heightOfTabBarButtonsForTabBarView(QVTabBarView* view) override;
    kit::Rect draggingRectForTabButtonOfTabBarView(QVAttachedTabBarButton* button, QVTabBarView* view) override;
    kit::Ref<kit::Image> closeButtonImageOfTypeForTabCell(std::uint64_t type, QVTabBarButtonCell* cell) override;
    kit::Rect drawingRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    kit::Rect closeButtonRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    kit::Rect iconRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    kit::Rect titleRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    kit::Rect indicatorRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    kit::Rect objectCounterRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    kit::Rect largeImageRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    void drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect rect) override;
    void drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect(QVAttachedTabBarButton* button, std::uint64_t index,
        const std::vector<kit::Ref<QVAttachedTabBarButton>>& buttons, std::uint64_t selectedIndex, QVTabBarView* view, kit::Rect rect) override;
    void drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView) override;
    void drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect rect) override;
    void drawIconOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView) override;
    void drawObjectCounterOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView) override;
    void drawCloseButtonOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView) override;

    void _drawBezelWithFrameUsingStatesOfAttachedButtonOfTabBarViewApplyShadowDrawRollovers(
        kit::Rect frame, QVAttachedTabBarButton* button, QVTabBarView* view, bool shadow, bool rollovers);
    void _drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarViewApplyShadowDrawRollovers(
        kit::Rect rect, std::uint32_t capMask, QVAttachedTabBarButton* button, QVTabBarView* view, bool shadow, bool rollovers);

    // kit::Coding: the six close images and both flags; decoded onto a fully made style, so the
    // gradient image stays.
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

private:
    // Fills a selected tab's rectangle when the look is unified: a gradient in an active window.
    void fillUnified(kit::Rect rect, const QVTabBarView* view) const;

    QVTabStyleSupport::CloseImages close_;
    kit::Ref<kit::Image> gradientImage_;
    bool drawsUnified_ = false;
    bool drawsRight_ = false;
};
