#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewTextAttachmentCell.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

#include "kit/controls/Button.h"
#include "kit/controls/DatePicker.h"
#include "kit/controls/PopUpButton.h"

#include <cmath>

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorViewTextAttachmentCell, kit::TextAttachmentCell) { c.bundle(QStringLiteral("JVLAppKit")); }
KIT_REGISTER_CLASS(JVLTextViewInspectorFieldTextAttachmentCell, JVLTextViewInspectorViewTextAttachmentCell) { c.bundle(QStringLiteral("JVLAppKit")); }

namespace {

Rect attachmentIntegralRect(Rect r)
{
    if (IsEmptyRect(r))
        return ZeroRect;
    const double x = std::floor(r.minX()), y = std::floor(r.minY());
    return MakeRect(x, y, std::ceil(r.maxX()) - x, std::ceil(r.maxY()) - y);
}

// Known by name: the classes live in libraries this one does not link.
bool attachmentViewIsOfClass(const View* view, const char* name)
{
    const Class* cls = classFromString(QString::fromLatin1(name));
    return cls && view->isKindOfClass(*cls);
}

} // namespace

Size JVLTextViewInspectorViewTextAttachmentCell::cellSize() const
{
    if (notAtAttachment_)
        return overrideCellSize_;
    return view_ ? view_->frame().size : MakeSize(0, 0);
}

Point JVLTextViewInspectorViewTextAttachmentCell::cellBaselineOffset() const { return notAtAttachment_ ? MakePoint(-1, 0) : MakePoint(0, 0); }

double JVLTextViewInspectorViewTextAttachmentCell::verticalCorrectionForView(const View* view)
{
    const auto* control = dynamic_cast<const Control*>(view);
    if (!control)
        return 0;
    const bool bordered = control->cell() && control->cell()->isBordered();
    if (dynamic_cast<const PopUpButton*>(control))
        return bordered ? -2 : -1;
    if (attachmentViewIsOfClass(control, "TokenField"))
        return bordered ? 0 : -2;
    if (dynamic_cast<const Button*>(control))
        return bordered ? -2 : -1;
    if (attachmentViewIsOfClass(control, "WBSmallDateControl"))
        return -4;
    if (dynamic_cast<const DatePicker*>(control))
        return -2;
    return 0;
}

Rect JVLTextViewInspectorViewTextAttachmentCell::cellFrameForTextContainerProposedLineFragmentGlyphPositionCharacterIndex(
    TextContainer* container, Rect lineFragment, Point glyphPosition, std::int64_t characterIndex)
{
    Rect r = TextAttachmentCell::cellFrameForTextContainerProposedLineFragmentGlyphPositionCharacterIndex(
        container, lineFragment, glyphPosition, characterIndex);
    if (notAtAttachment_)
        return r;
    // y up: the negative descender lowers the view onto the label's baseline band, then it is centred.
    if (labelFont_)
        r.origin.y += labelFont_->descender() + labelFont_->leading();
    const double viewHeight = view_ ? view_->frame().height() : 0;
    r.origin.y += (lineFragment.height() - viewHeight) / 2;
    r.origin.y += verticalCorrectionForView(view_.get());
    return attachmentIntegralRect(r);
}

void JVLTextViewInspectorFieldTextAttachmentCell::setField(Ref<JVLTextViewInspectorViewField> field)
{
    if (field_) {
        field_ = nullptr;
        setView(nullptr);
    }
    if (field) {
        setView(field->view());
        setViewShouldNotShowAtAttachmentPosition(field->viewShouldNotShowAtAttachmentPosition());
        field_ = std::move(field);
    }
}
