#pragma once

// "Card": light grey cards on a darker gradient bar, horizontal only, with a settable inset.

#include "QVTabBarView/QVTabStyleSupport.h"
#include "kit/foundation/Coder.h"

class QVCardTabStyle : public QVTabStyle, public kit::Coding {
    KIT_CLASS(QVCardTabStyle)
public:
    QVCardTabStyle();

    static QString tabStyleName() { return QStringLiteral("Card"); }
    QString name() const override { return tabStyleName(); }

    double horizontalInset() const { return horizontalInset_; }
    void setHorizontalInset(double inset) { horizontalInset_ = inset; }
    // Stored only: the margins do not read it.
    double topMargin() const { return topMargin_; }
    void setTopMargin(double margin) { topMargin_ = margin; }

    bool supportsOrientationForTabBarView(std::uint64_t orientation, QVTabBarView* view) override;
    double leftMarginForTabBarView(QVTabBarView* view) override;
    double rightMarginForTabBarView(QVTabBarView* view) override;
    double topMarginForTabBarView(QVTabBarView* view) override;
    double heightOfTabBarButtonsForTabBarView(QVTabBarView* view) override;
    kit::Rect overflowButtonRectForTabBarView(QVTabBarView* view) override;
    kit::Rect draggingRectForTabButtonOfTabBarView(QVAttachedTabBarButton* button, QVTabBarView* view) override;
    kit::Ref<kit::Image> closeButtonImageOfTypeForTabCell(std::uint64_t type, QVTabBarButtonCell* cell) override;
    void drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect rect) override;
    void drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView) override;
    void drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect rect) override;

    void drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(
        kit::Rect rect, std::uint32_t capMask, QVAttachedTabBarButton* button, QVTabBarView* view);

    // kit::Coding: nothing is archived, so a bar using the style archives; a decoded style is a fresh one.
    void encodeWithCoder(kit::Coder&) const override { }
    void initWithCoder(kit::Coder&) override { }

private:
    QVTabStyleSupport::CloseImages close_;
    double horizontalInset_ = 3.0;
    double topMargin_ = 0;
};
