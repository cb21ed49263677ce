#pragma once

// The default look of the tab bar view: a bar darkened by a translucent black wash with dark-grey
// hairlines, unselected tabs divided by hairlines, the selected tab a card in the window's
// background colour. It implements only the hooks where it differs from the defaults.

#include "QVTabBarView/QVTabBarButtonCell.h"
#include "QVTabBarView/QVTabStyle.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/StringDrawing.h"

#include <array>

class QVMetalTabStyle : public QVTabStyle, public kit::Coding {
    KIT_CLASS(QVMetalTabStyle)
public:
    QVMetalTabStyle();

    static QString tabStyleName() { return QStringLiteral("Metal"); }
    QString name() const override { return tabStyleName(); }

    double leftMarginForTabBarView(QVTabBarView* view) override;
    double rightMarginForTabBarView(QVTabBarView* view) override;
    double topMarginForTabBarView(QVTabBarView* view) override;
    void updateAddButtonOfTabBarView(QVRolloverButton* button, QVTabBarView* view) override;
    kit::Rect draggingRectForTabButtonOfTabBarView(QVAttachedTabBarButton* button, QVTabBarView* view) override;
    kit::Ref<kit::Image> closeButtonImageOfTypeForTabCell(std::uint64_t type, QVTabBarButtonCell* cell) override;
    kit::AttributedString attributedObjectCountStringValueForTabCell(QVTabBarButtonCell* cell) override;
    kit::AttributedString attributedStringValueForTabCell(QVTabBarButtonCell* cell) override;
    kit::Rect drawingRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell) override;
    void drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect rect) override;
    void drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView) override;
    void drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect rect) override;

    bool _shouldDrawHorizontalTopBorderLineInView(const kit::View* view) const;
    void _drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(
        kit::Rect rect, std::uint32_t capMask, QVAttachedTabBarButton* button, QVTabBarView* view);

    // The right divider shows unless the next tab is selected, neither sliding nor the drop place.
    static bool drawsRightDivider(const QVAttachedTabBarButton& button);

    // kit::Coding: the six close images (those that archive themselves).
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

private:
    // Titles of selected or hovered tabs, and of the others (their shadows differ).
    std::array<QVTitleAttributes, 2> titleAttributes_;
    // Made at the first title: every tab drawn asks for it.
    kit::Ref<kit::Font> titleFont_;
    // Normal, rollover, pressed, edited, edited rollover, edited pressed: the image types 0-5.
    std::array<kit::Ref<kit::Image>, 6> close_;
    kit::StringAttributes counterAttributes_;
};
