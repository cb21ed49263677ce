#pragma once

// "Flat": light tabs for horizontal bars, a grey top line over a fading band, white selected cards
// with rounded outlines, a faint shade under the pointer and the close button at the right end.

#include "QVTabBarView/QVTabStyleSupport.h"
#include "kit/foundation/Coder.h"

class QVFlatTabStyle : public QVTabStyle, public kit::Coding {
    KIT_CLASS(QVFlatTabStyle)
public:
    QVFlatTabStyle();

    static QString tabStyleName() { return QStringLiteral("Flat"); }
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
    kit::AttributedString attributedStringValueForTabCell(QVTabBarButtonCell* cell) override;
    kit::AttributedString attributedObjectCountStringValueForTabCell(QVTabBarButtonCell* cell) override;
    kit::Rect closeButtonRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    kit::Rect iconRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    kit::Rect largeImageRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    kit::Rect indicatorRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    kit::Rect objectCounterRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    kit::Rect titleRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    void drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect rect) override;
    void drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView) override;
    void drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect rect) override;

    void drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(
        kit::Rect rect, std::uint32_t capMask, QVAttachedTabBarButton* button, QVTabBarView* view);

    // Whether the button's window has a toolbar showing its baseline.
    static bool toolbarShowsBaseline(const kit::View* view);

    // kit::Coding: nothing is archived; a decoded style is a fresh one.
    void encodeWithCoder(kit::Coder&) const override { }
    void initWithCoder(kit::Coder&) override { }

private:
    QVTabStyleSupport::CloseImages close_;
    kit::StringAttributes counterAttributes_;
    double leftMargin_ = 5.0;
};
