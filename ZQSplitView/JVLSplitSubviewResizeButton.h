#pragma once

// A small grip placed in a pane of a split view (typically in the pane's bottom bar) that the user
// drags sideways to change the pane's width instead of dragging the divider. Its cell shows the
// grip on the side of the pane's divider and turns horizontal mouse movement into changes of the
// pane's dimension, collapsing the pane when it is dragged below its minimum and may collapse.
//
// LOCAL SHIM: until kit/controls offers Button and ButtonCell, the button is a plain view that
// draws its cell's image and hands presses to the cell, and the cell a plain object that keeps the
// settings a button cell would; the tracking code is written as it will stay.

#include "ZQSplitView/ZQSplitSubview.h"
#include "kit/foundation/Coder.h"
#include "kit/foundation/NibLoader.h"
#include "kit/graphics/Image.h"

#include <QString>

class JVLSplitSubviewResizeButtonCell : public kit::Object {
    KIT_CLASS(JVLSplitSubviewResizeButtonCell)

    // Image positions; the position doubles as the side of the pane that resizes.
    enum : int { ImageLeft = 2, ImageRight = 3 };

    JVLSplitSubviewResizeButtonCell();

    kit::Ref<kit::Image> image() const { return image_; }
    int imagePosition() const { return imagePosition_; }
    void setImagePosition(int position) { imagePosition_ = position; }
    // Left-mouse-down and left-mouse-dragged.
    std::uint64_t sendActionOnMask() const { return sendActionOn_; }

    // The drag: always answers YES.
    bool trackMouseInRectOfViewUntilMouseUp(const kit::Event& event, kit::Rect cellFrame, kit::View* controlView, bool untilMouseUp);
    // The nearest ancestor that is exactly a pane (a split view does not count), or null.
    static kit::Ref<ZQSplitSubview> superZQSplitSubviewOfView(kit::View* view);

private:
    kit::Ref<kit::Image> image_;
    QString title_;
    int imagePosition_ = ImageRight;
    std::uint64_t sendActionOn_;
    int bezelStyle_ = 10; // small square
    int buttonType_ = 5; // momentary change
    int highlightsBy_ = 1; // push-in
    bool bordered_ = true;
    bool continuous_ = false;
};

class JVLSplitSubviewResizeButton : public kit::View, public kit::Coding, public kit::NibAwaking {
    KIT_CLASS(JVLSplitSubviewResizeButton)

    JVLSplitSubviewResizeButton();
    explicit JVLSplitSubviewResizeButton(kit::Rect frame);

    kit::Ref<JVLSplitSubviewResizeButtonCell> cell() const { return cell_; }
    // kit::NibAwaking: image on the right in the first pane, on the left in any other.
    void awakeFromNib() override;

    // kit::Coding: the plain view; the cell's settings are its defaults.
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

    // kit::View:
    void drawRect(kit::Rect dirtyRect) override;
    bool acceptsFirstMouse(const kit::Event*) const override { return true; }
    // kit::Responder:
    void mouseDown(const kit::Event& event) override;

private:
    kit::Ref<JVLSplitSubviewResizeButtonCell> cell_ = kit::make<JVLSplitSubviewResizeButtonCell>();
};
