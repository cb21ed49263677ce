#pragma once

// "Glass": a horizontal bar built entirely from images stretched with three-part drawing, the
// caps of each tab chosen by window activity, selection and the neighbours' slides and drops.

#include "QVTabBarView/QVTabStyleSupport.h"
#include "kit/foundation/Coder.h"

class QVGlassTabStyle : public QVTabStyle, public kit::Coding {
    KIT_CLASS(QVGlassTabStyle)
public:
    static QString tabStyleName() { return QStringLiteral("Glass"); }
    QString name() const override { return tabStyleName(); }

    // The process-wide image of that name (loaded once, main thread only).
    static kit::Ref<kit::Image> image(const QString& name);

    bool supportsOrientationForTabBarView(std::uint64_t orientation, QVTabBarView* view) override;
    double leftMarginForTabBarView(QVTabBarView* view) override;
    double rightMarginForTabBarView(QVTabBarView* view) override;
    kit::Size addTabButtonSizeForTabBarView(QVTabBarView* view) override;
    kit::Rect addTabButtonRectForTabBarView(QVTabBarView* view) override;
    kit::Rect overflowButtonRectForTabBarView(QVTabBarView* view) override;
    void updateAddButtonOfTabBarView(QVRolloverButton* button, QVTabBarView* view) override;
    kit::Ref<kit::Image> closeButtonImageOfTypeForTabCell(std::uint64_t type, QVTabBarButtonCell* cell) override;
    kit::Rect drawingRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    kit::Rect closeButtonRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    kit::Rect draggingRectForTabButtonOfTabBarView(QVAttachedTabBarButton* button, QVTabBarView* view) override;
    void drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect rect) override;
    void drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect(QVAttachedTabBarButton* button, std::uint64_t index,
        const std::vector<kit::Ref<QVAttachedTabBarButton>>& buttons, std::uint64_t selectedIndex, QVTabBarView* view, kit::Rect rect) override;
    void drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect rect) override;
    void drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView) override;

    // The caps and fill a button draws (names, empty when left out).
    struct Parts {
        QString left, fill, right;
    };
    static Parts partsForButtonAtIndex(const QVAttachedTabBarButton& button, std::uint64_t index,
        const std::vector<kit::Ref<QVAttachedTabBarButton>>& buttons, std::uint64_t selectedIndex, const QVTabBarView& view);

    // kit::Coding: nothing is archived, so a bar using the style archives; a decoded style is a fresh one.
    void encodeWithCoder(kit::Coder&) const override { }
    void initWithCoder(kit::Coder&) override { }
};
