#pragma once

// Attachment cells of the inspector's text: they reserve room for a hosted view (a label pop-up, a
// row button, a field's view) and centre it on its line; the inspector's layout manager moves the
// view where the cell is shown. The field cell also keeps the view field it stands for.

#include "kit/graphics/Font.h"
#include "kit/text/TextAttachment.h"

#include "kit/appkit/View.h"

class JVLTextViewInspectorViewField;

class JVLTextViewInspectorViewTextAttachmentCell : public kit::TextAttachmentCell {
    KIT_CLASS(JVLTextViewInspectorViewTextAttachmentCell)
public:
    JVLTextViewInspectorViewTextAttachmentCell() = default;

    kit::Size overrideCellSize() const { return overrideCellSize_; }
    void setOverrideCellSize(kit::Size size) { overrideCellSize_ = size; }
    kit::Ref<kit::View> view() const { return view_; }
    void setView(kit::Ref<kit::View> view) { view_ = std::move(view); }
    bool viewShouldNotShowAtAttachmentPosition() const { return notAtAttachment_; }
    void setViewShouldNotShowAtAttachmentPosition(bool flag) { notAtAttachment_ = flag; }
    kit::Ref<kit::Font> labelFont() const { return labelFont_; }
    void setLabelFont(kit::Ref<kit::Font> font) { labelFont_ = std::move(font); }

    // kit::TextAttachmentCell:
    kit::Size cellSize() const override;
    kit::Point cellBaselineOffset() const override;
    // Centred on the proposed line, lowered by the label font's descent, then corrected by the kind
    // of control hosted; integral.
    kit::Rect cellFrameForTextContainerProposedLineFragmentGlyphPositionCharacterIndex(
        kit::TextContainer* container, kit::Rect lineFragment, kit::Point glyphPosition, std::int64_t characterIndex) override;
    bool wantsToTrackMouse() const override { return true; }
    // The view draws itself.
    void drawWithFrameInView(kit::Rect, kit::View*) override { }

    // The vertical correction for a hosted view of that kind (0 for views that are not controls).
    static double verticalCorrectionForView(const kit::View* view);

private:
    kit::Size overrideCellSize_ { 0, 0 };
    kit::Ref<kit::View> view_;
    bool notAtAttachment_ = false;
    kit::Ref<kit::Font> labelFont_;
};

class JVLTextViewInspectorFieldTextAttachmentCell : public JVLTextViewInspectorViewTextAttachmentCell {
    KIT_CLASS(JVLTextViewInspectorFieldTextAttachmentCell)
public:
    JVLTextViewInspectorFieldTextAttachmentCell() = default;
    kit::Ref<JVLTextViewInspectorViewField> field() const { return field_; }
    // The field's view and its placement flag come with it.
    void setField(kit::Ref<JVLTextViewInspectorViewField> field);

private:
    kit::Ref<JVLTextViewInspectorViewField> field_;
};
