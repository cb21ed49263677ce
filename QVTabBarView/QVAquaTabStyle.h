#pragma once

// "Aqua": the bar and the tabs drawn from stretchable images, the selected tab tinted by the
// control tint (graphite, or pale in an inactive window).

#include "QVTabBarView/QVTabStyleSupport.h"
#include "kit/foundation/Coder.h"

class QVAquaTabStyle : public QVTabStyle, public kit::Coding {
    KIT_CLASS(QVAquaTabStyle)
public:
    QVAquaTabStyle();

    static QString tabStyleName() { return QStringLiteral("Aqua"); }
    QString name() const override { return tabStyleName(); }

    void loadImages();

    double leftMarginForTabBarView(QVTabBarView* view) override;
    double rightMarginForTabBarView(QVTabBarView* view) override;
    double topMarginForTabBarView(QVTabBarView* view) override;
    kit::Ref<kit::Image> closeButtonImageOfTypeForTabCell(std::uint64_t type, QVTabBarButtonCell* cell) override;
    void drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect rect) override;
    void drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView) override;
    void drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect rect) override;

    // The selected tab's image for the cell's tint (0: the current one); an inactive window counts as tint 7.
    static QString selectedImageName(int cellTint, bool windowActive);
    kit::Ref<kit::Image> selectedImageForCell(const QVTabBarButtonCell* cell, const QVTabBarView* view) const;

    // kit::Coding: the twelve images, those that code themselves; absent keys keep the loaded ones.
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

private:
    // Background, selected blue, graphite and non-key, divider down (kept, not drawn), divider.
    std::array<kit::Ref<kit::Image>, 6> tiles_;
    QVTabStyleSupport::CloseImages close_;
};
