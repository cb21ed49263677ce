#pragma once

// The pull-down button at the end of the tab bar that lists the tabs that do not fit. It shows
// an image and can pulse a second image over it while it is visible; its owner may draw its
// bezel through a function.

#include "kit/appkit/AnimationContext.h"
#include "kit/controls/PopUpButton.h"
#include "kit/controls/PopUpButtonCell.h"
#include "kit/foundation/Coder.h"

#include <functional>

class QVOverflowPopUpButtonCell : public kit::PopUpButtonCell {
    KIT_CLASS(QVOverflowPopUpButtonCell)
public:
    using BezelDrawing = std::function<void(QVOverflowPopUpButtonCell* cell, kit::Rect frame, kit::View* controlView)>;

    QVOverflowPopUpButtonCell();
    QVOverflowPopUpButtonCell(const QString& title, bool pullsDown);

    BezelDrawing bezelDrawingBlock() const { return bezel_; }
    void setBezelDrawingBlock(BezelDrawing block) { bezel_ = std::move(block); }
    kit::Ref<kit::Image> secondImage() const { return secondImage_; }
    void setSecondImage(kit::Ref<kit::Image> image) { secondImage_ = std::move(image); }
    double secondImageAlpha() const { return secondImageAlpha_; }
    void setSecondImageAlpha(double alpha) { secondImageAlpha_ = alpha; }

    void drawImageWithFrameInViewAlpha(const kit::Image* image, kit::Rect frame, kit::View* controlView, double alpha);
    // Right-aligned, shrunk to the drawing rectangle's height when taller, centred vertically.
    kit::Rect _imageRectForBoundsForImage(kit::Rect bounds, const kit::Image* image) const;

    // kit::Accessibility: without a title of its own, named by what it lists ("More Tabs").
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;

    // kit::Cell and kit::PopUpButtonCell:
    void drawWithFrameInView(kit::Rect frame, kit::View* controlView) override;
    void drawBezelWithFrameInView(kit::Rect frame, kit::View* controlView) override;
    void drawInteriorWithFrameInView(kit::Rect frame, kit::View* controlView) override;
    void drawImageWithFrameInView(kit::Rect frame, kit::View* controlView) override;
    void drawImageWithFrameInView(const kit::Image* image, kit::Rect frame, kit::View* controlView) override;
    // kit::Coding:
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

protected:
    void copyTo(kit::Object& copy) const override;

private:
    BezelDrawing bezel_;
    kit::Ref<kit::Image> secondImage_;
    double secondImageAlpha_ = 0;
};

class QVOverflowPopUpButton : public kit::PopUpButton, public kit::AnimatablePropertyContainer {
    KIT_CLASS(QVOverflowPopUpButton)
    KIT_CONTROL_CELL_CLASS(QVOverflowPopUpButton, QVOverflowPopUpButtonCell)
public:
    // Always a pull-down button, whatever `pullsDown` says.
    explicit QVOverflowPopUpButton(kit::Rect frame = {}, bool pullsDown = true);

    QVOverflowPopUpButtonCell* overflowCell() const { return dynamic_cast<QVOverflowPopUpButtonCell*>(cell().get()); }
    bool isAnimating() const { return isAnimating_; }
    // Set directly: stops nothing by itself (see _stopCellAnimationIfNeeded).
    void setIsAnimating(bool flag) { setValueNotifying(QStringLiteral("isAnimating"), isAnimating_, flag); }
    kit::Ref<kit::Image> secondImage() const { return overflowCell() ? overflowCell()->secondImage() : nullptr; }
    void setSecondImage(kit::Ref<kit::Image> image);
    double secondImageAlpha() const { return overflowCell() ? overflowCell()->secondImageAlpha() : 0; }
    void setSecondImageAlpha(double alpha);
    QVOverflowPopUpButtonCell::BezelDrawing bezelDrawingBlock() const;
    void setBezelDrawingBlock(QVOverflowPopUpButtonCell::BezelDrawing block);

    // The process's two shared images.
    static kit::Ref<kit::Image> sharedOverflowImage();
    static kit::Ref<kit::Image> sharedOverflowImagePressed();

    // kit::AnimatablePropertyContainer: "isAnimating" pulses "secondImageAlpha".
    kit::Ref<kit::BasicAnimation> defaultAnimationForKey(const QString& key) const override;
    // kit::View: draws its bar's keyboard ring while it stands for a tab.
    void drawRect(kit::Rect rect) override;
    void viewWillMoveToSuperview(kit::View* superview) override;
    void viewDidMoveToSuperview() override;
    void viewWillMoveToWindow(kit::Window* window) override;
    void viewDidMoveToWindow() override;
    void setHidden(bool hidden) override;
    void setFrameOrigin(kit::Point origin) override;
    void setFrameSize(kit::Size size) override;

    void _startCellAnimationIfNeeded();
    void _stopCellAnimationIfNeeded();

private:
    void frameChanged();
    bool isAnimating_ = false;
};
