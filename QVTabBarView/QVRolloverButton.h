#pragma once

// A button that shows a second image while the pointer is over it, and that can click itself
// when the pointer passes over it with Alt held (scrubbing). The add-tab button and every tab's
// close button are rollover buttons; the tab buttons derive from it.

#include "kit/appkit/Accessibility.h"
#include "kit/controls/Button.h"
#include "kit/controls/ButtonCell.h"
#include "kit/foundation/Coder.h"

#include <cstdint>

enum QVRolloverButtonType : std::uint64_t {
    QVRolloverActionButtonType = 0,
    QVRolloverTabButtonType = 1,
};

class QVRolloverButtonCell : public kit::ButtonCell {
    KIT_CLASS(QVRolloverButtonCell)
public:
    QVRolloverButtonCell();

    kit::Ref<kit::Image> rolloverImage() const { return rolloverImage_; }
    void setRolloverImage(kit::Ref<kit::Image> image) { rolloverImage_ = std::move(image); }
    bool mouseHovered() const { return mouseHovered_; }
    // Sets the hover flag as the pointer stands, without a click (after tracking areas are rebuilt).
    void setMouseHovered(bool flag) { mouseHovered_ = flag; }
    std::uint64_t rolloverButtonType() const { return rolloverButtonType_; }
    void setRolloverButtonType(std::uint64_t type);
    bool simulateClickOnMouseHovered() const { return simulateClick_; }
    void setSimulateClickOnMouseHovered(bool flag) { simulateClick_ = flag; }

    // One area over `rect`, owned by the view, assuming the pointer inside when it is.
    void addTrackingAreasForViewInRectWithUserInfoMouseLocation(kit::View* view, kit::Rect rect, const void* userInfo, kit::Point mouseLocation);

    // kit::Cell:
    void mouseEntered(const kit::Event& event) override;
    void mouseExited(const kit::Event& event) override;
    // kit::ButtonCell:
    void drawImageWithFrameInView(const kit::Image* image, kit::Rect frame, kit::View* controlView) override;
    // kit::Coding:
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

protected:
    void copyTo(kit::Object& copy) const override;
    void askControlViewToUpdate();

private:
    kit::Ref<kit::Image> rolloverImage_;
    bool mouseHovered_ = false;
    std::uint64_t rolloverButtonType_ = QVRolloverActionButtonType;
    bool simulateClick_ = false;
};

class QVRolloverButton : public kit::Button {
    KIT_CLASS(QVRolloverButton)
    KIT_CONTROL_CELL_CLASS(QVRolloverButton, QVRolloverButtonCell)
public:
    explicit QVRolloverButton(kit::Rect frame = {});

    QVRolloverButtonCell* rolloverCell() const { return dynamic_cast<QVRolloverButtonCell*>(cell().get()); }
    kit::Ref<kit::Image> rolloverImage() const;
    void setRolloverImage(kit::Ref<kit::Image> image);
    std::uint64_t rolloverButtonType() const;
    void setRolloverButtonType(std::uint64_t type);
    bool mouseHovered() const;
    bool simulateClickOnMouseHovered() const;
    void setSimulateClickOnMouseHovered(bool flag);

    // kit::View: a button of a tab bar view draws the bar's keyboard ring where it lies over it.
    void drawRect(kit::Rect rect) override;
    void updateTrackingAreas() override;
    void mouseEntered(const kit::Event& event) override;
    void mouseExited(const kit::Event& event) override;

    // kit::Accessibility: a button pressed through its action; its shown rollover buttons (a
    // tab's close button) are its children and win a hit test over them.
    bool accessibilityIsIgnored() const override { return false; }
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute) override;
    QStringList accessibilityActionNames() const override;
    void accessibilityPerformAction(const QString& action) override;
    kit::Value accessibilityHitTest(kit::Point point) const override;

protected:
    QVRolloverButton(kit::Rect frame, kit::Ref<kit::Cell> cell);
};
