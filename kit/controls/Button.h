#pragma once

// A button: a flipped control around a ButtonCell. It forwards the button settings to its cell,
// clicks itself on Space when focused and on its key equivalent, and while the cell shows its
// border only with the pointer inside, keeps a tracking area over its bounds for the cell.

#include "kit/controls/ButtonCell.h"
#include "kit/controls/Control.h"

namespace kit {

class Button : public Control {
    KIT_CLASS(Button)
    KIT_CONTROL_CELL_CLASS(Button, ButtonCell)
public:
    explicit Button(Rect frame = {});

    ButtonCell* buttonCell() const { return dynamic_cast<ButtonCell*>(cell().get()); }

    QString title() const;
    // Virtual: the "title" binding and key-value coding reach a subclass's override.
    virtual void setTitle(const QString& title);
    AttributedString attributedTitle() const;
    void setAttributedTitle(const AttributedString& title);
    QString alternateTitle() const;
    void setAlternateTitle(const QString& title);
    Ref<Image> image() const;
    void setImage(Ref<Image> image);
    Ref<Image> alternateImage() const;
    void setAlternateImage(Ref<Image> image);
    CellImagePosition imagePosition() const;
    void setImagePosition(CellImagePosition position);
    void setImageScaling(ImageScaling scaling);
    void setButtonType(ButtonType type);
    BezelStyle bezelStyle() const;
    void setBezelStyle(BezelStyle style);
    bool isBordered() const;
    void setBordered(bool flag);
    int state() const;
    void setState(int state);
    void setNextState();
    bool allowsMixedState() const;
    void setAllowsMixedState(bool flag);
    QString keyEquivalent() const;
    void setKeyEquivalent(const QString& key);
    std::uint64_t keyEquivalentModifierMask() const;
    void setKeyEquivalentModifierMask(std::uint64_t mask);
    bool showsBorderOnlyWhileMouseInside() const;
    void setShowsBorderOnlyWhileMouseInside(bool flag);

    // A button whose key equivalent is Return is its window's default button: the window holds its
    // cell weakly and clicks it on Return. Called on entering a window and on key changes.
    void updateDefaultButtonRegistration();

    // kit::Coding: the control's; decoding rebuilds the hover tracking area for the decoded cell.
    void initWithCoder(Coder& coder) override;

    // kit::View:
    void viewWillMoveToWindow(Window* window) override;
    void viewDidMoveToWindow() override;
    void setCell(Ref<Cell> cell) override;
    bool isFlipped() const override { return true; }
    void updateTrackingAreas() override;
    void setFrameSize(Size size) override;
    void setFrameOrigin(Point origin) override;
    void keyDown(const Event& event) override;
    void mouseEntered(const Event& event) override;
    void mouseExited(const Event& event) override;

protected:
    Button(Rect frame, Ref<Cell> cell);

private:
    void rebuildTrackingArea();
    Ref<TrackingArea> hoverArea_;
};

} // namespace kit
