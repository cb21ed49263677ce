#pragma once

// "Unified": grey gradients that continue a toolbar. Under a visible toolbar the tabs are
// rounded cards; otherwise flat boxes with etched dividers.

#include "QVTabBarView/QVTabStyleSupport.h"
#include "kit/foundation/Coder.h"

class QVUnifiedTabStyle : public QVTabStyle, public kit::Coding {
    KIT_CLASS(QVUnifiedTabStyle)
public:
    QVUnifiedTabStyle();

    static QString tabStyleName() { return QStringLiteral("Unified"); }
    QString name() const override { return tabStyleName(); }

    // The margin at both ends of a horizontal bar.
    double leftMarginForTabBarView() const { return leftMargin_; }
    void setLeftMarginForTabBarView(double margin) { leftMargin_ = margin; }

    bool supportsOrientationForTabBarView(std::uint64_t orientation, QVTabBarView* view) override;
    double leftMarginForTabBarView(QVTabBarView* view) override;
    double rightMarginForTabBarView(QVTabBarView* view) override;
    double topMarginForTabBarView(QVTabBarView* view) override;
    kit::Rect draggingRectForTabButtonOfTabBarView(QVAttachedTabBarButton* button, QVTabBarView* view) override;
    kit::Ref<kit::Image> closeButtonImageOfTypeForTabCell(std::uint64_t type, QVTabBarButtonCell* cell) override;
    void drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect rect) override;
    void drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect(QVAttachedTabBarButton* button, std::uint64_t index,
        const std::vector<kit::Ref<QVAttachedTabBarButton>>& buttons, std::uint64_t selectedIndex, QVTabBarView* view, kit::Rect rect) override;
    void drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView) override;
    void drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect rect) override;

    void _drawCardBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(
        kit::Rect rect, std::uint32_t capMask, QVAttachedTabBarButton* button, QVTabBarView* view);
    void _drawBoxBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(
        kit::Rect rect, std::uint32_t capMask, QVAttachedTabBarButton* button, QVTabBarView* view);

    // kit::Coding: the six close images (those that code themselves); the margin is not archived.
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

private:
    QVTabStyleSupport::CloseImages close_;
    double leftMargin_ = 0;
};
