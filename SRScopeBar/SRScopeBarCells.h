#pragma once

// The three cells a scope bar draws with: the toggle button of each object, the pop-up of a
// collapsed group and the overflow pull-down at the bar's right end. The bar copies them from
// templates per use, so their own state (selected, under the mouse) belongs to each copy.

#include "kit/controls/PopUpButtonCell.h"

class SRButtonCell : public kit::ButtonCell {
    KIT_CLASS(SRButtonCell)
public:
    SRButtonCell() = default;
    explicit SRButtonCell(const QString& title)
        : kit::ButtonCell(title)
    { }

    bool selected() const { return selected_; }
    void setSelected(bool flag) { selected_ = flag; }
    bool mouseOver() const { return mouseOver_; }
    void setMouseOver(bool flag) { mouseOver_ = flag; }

    // kit::Cell:
    void setState(int state) override;
    void mouseEntered(const kit::Event& event) override;
    void mouseExited(const kit::Event& event) override;
    // kit::ButtonCell: the title restyled for the selected-or-hovered look or the plain one.
    kit::Rect drawTitleWithFrameInView(const kit::AttributedString& title, kit::Rect frame, kit::View* controlView) override;
    // The recessed bezel is a dark pill behind the white title, shown while selected, pressed or
    // under the mouse.
    void drawBezelWithFrameInView(kit::Rect frame, kit::View* controlView) override;
    void drawWithFrameInView(kit::Rect cellFrame, kit::View* controlView) override;

protected:
    void copyTo(kit::Object& copy) const override;

private:
    bool selected_ = false;
    bool mouseOver_ = false;
};

class SRPopUpButtonCell : public kit::PopUpButtonCell {
    KIT_CLASS(SRPopUpButtonCell)
public:
    SRPopUpButtonCell() = default;
    SRPopUpButtonCell(const QString& title, bool pullsDown)
        : kit::PopUpButtonCell(title, pullsDown)
    { }
    // kit::ButtonCell: white shadowed title, one point lower.
    kit::Rect drawTitleWithFrameInView(const kit::AttributedString& title, kit::Rect frame, kit::View* controlView) override;
    // Always a pill under the white title: lighter while it shows no choice and is not hovered.
    void drawBezelWithFrameInView(kit::Rect frame, kit::View* controlView) override;
    void drawWithFrameInView(kit::Rect cellFrame, kit::View* controlView) override;
};

// Always a pull-down, whatever it is told: its face is the image of menu item 0.
class SROverflowPullDownCell : public kit::PopUpButtonCell {
    KIT_CLASS(SROverflowPullDownCell)
public:
    SROverflowPullDownCell();
    SROverflowPullDownCell(const QString& title, bool pullsDown);
    // (image width of item 0 + 12, its height); zero without menu, items or image.
    kit::Size cellSizeForBounds(kit::Rect bounds) const override;
};
