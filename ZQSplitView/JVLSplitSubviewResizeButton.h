#pragma once

// A small grip placed in a pane of a split view (typically in the pane's bottom bar) that the user
// drags sideways to change the pane's width instead of dragging the divider. Its cell shows the
// grip on the side of the pane's divider and turns horizontal mouse movement into changes of the
// pane's dimension, collapsing the pane when it is dragged below its minimum and may collapse.

#include "ZQSplitView/ZQSplitSubview.h"
#include "kit/controls/Button.h"
#include "kit/foundation/NibLoader.h"

class JVLSplitSubviewResizeButtonCell : public kit::ButtonCell {
    KIT_CLASS(JVLSplitSubviewResizeButtonCell)

    JVLSplitSubviewResizeButtonCell();

    // The nearest ancestor that is exactly a pane (a split view does not count), or null.
    static kit::Ref<ZQSplitSubview> superZQSplitSubviewOfView(kit::View* view);

    // kit::Cell: the drag; the image position (left or right) names the pane's resizing edge.
    // Always answers YES.
    bool trackMouseInRectOfViewUntilMouseUp(
        const kit::Event& event, kit::Rect cellFrame, kit::View* controlView, bool untilMouseUp) override;
    // kit::Accessibility: the grip has no title; without a tool tip it is named by what it does.
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
};

class JVLSplitSubviewResizeButton : public kit::Button, public kit::NibAwaking {
    KIT_CLASS(JVLSplitSubviewResizeButton)
    KIT_CONTROL_CELL_CLASS(JVLSplitSubviewResizeButton, JVLSplitSubviewResizeButtonCell)
public:
    explicit JVLSplitSubviewResizeButton(kit::Rect frame = {});

    JVLSplitSubviewResizeButtonCell* resizeCell() const { return dynamic_cast<JVLSplitSubviewResizeButtonCell*>(cell().get()); }
    // kit::NibAwaking: image on the right in the first pane, on the left in any other.
    void awakeFromNib() override;

    // How far an arrow key moves the pane's edge, in points.
    static constexpr double KeyboardStep = 10;

    // kit::View:
    bool acceptsFirstMouse(const kit::Event*) const override { return true; }
    // kit::Responder: the grip is a key view, so the arrows do what a drag does: Left and Right move
    // the pane's edge, within its limits.
    void keyDown(const kit::Event& event) override;
};
