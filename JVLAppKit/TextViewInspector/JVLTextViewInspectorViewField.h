#pragma once

// A field whose value is shown by a real view placed on an attachment character of the form's
// text (a flag, a date, an image, a rating, a colour, a button, a separator line). Each subclass
// makes its view, shows the value in it, and writes what the user does back through "value".

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorField.h"

#include "kit/appkit/View.h"

class JVLTextViewInspectorViewField : public JVLTextViewInspectorField {
    KIT_CLASS(JVLTextViewInspectorViewField)
public:
    static kit::Ref<JVLTextViewInspectorViewField> viewFieldWithIdentifierFieldViewAndLabel(
        const QString& identifier, kit::Ref<kit::View> view, kit::Ref<JVLTextViewInspectorFieldLabel> label);
    // A horizontal line 100 x 1, width-sizable, with a fresh time stamp as identifier.
    static kit::Ref<JVLTextViewInspectorViewField> separatorField();
    static kit::Ref<JVLTextViewInspectorViewField> separatorFieldWithIdentifier(const QString& identifier);

    // The designated initialiser: `view`, else the one the class makes for this field.
    void initWithIdentifierFieldViewPlaceholderAndLabel(
        const QString& identifier, kit::Ref<kit::View> view, const QString& placeholder, kit::Ref<JVLTextViewInspectorFieldLabel> label);
    // The view a new field of this class shows (none in the base class).
    virtual kit::Ref<kit::View> viewForField() { return nullptr; }

    kit::Ref<kit::View> view() const { return view_; }
    bool viewShouldAlwaysBeVisible() const { return alwaysVisible_; }
    void setViewShouldAlwaysBeVisible(bool flag) { alwaysVisible_ = flag; }
    bool viewShouldNotShowAtAttachmentPosition() const { return notAtAttachment_; }
    void setViewShouldNotShowAtAttachmentPosition(bool flag) { notAtAttachment_ = flag; }
    bool viewWidthShouldBeAdjusted() const { return widthAdjusted_; }
    void setViewWidthShouldBeAdjusted(bool flag) { widthAdjusted_ = flag; }

    // What the binding "isEnabled" reaches: the flag, and a control view's state.
    void setIsEnabled(bool flag);
    // What the binding "isEditable" reaches.
    virtual void setIsEditable(bool flag) { setEditable(flag); }
    // Whether the form that shows the view is in edit mode: a view shown in a read-only form
    // shows its value and takes no edit, whatever the field's own editable flag.
    bool isFormEditable() const { return formEditable_; }
    virtual void setFormEditable(bool flag) { formEditable_ = flag; }

    // JVLTextViewInspectorField:
    void initWithIdentifierPlaceholderAndLabel(const QString& identifier, const QString& placeholder,
        kit::Ref<JVLTextViewInspectorFieldLabel> label) override;
    // Also handed to the view when it has a delegate.
    void setDelegate(kit::Object* delegate) override;
    bool shouldBeVisibleWithEditableState(bool editable) const override;
    void copyTo(kit::Object& copy) const override;

protected:
    void setView(kit::Ref<kit::View> view) { view_ = std::move(view); }
    // The user changed the view: store the value, then write it to the model.
    void userChangedValue(const kit::Value& value);

private:
    kit::Ref<kit::View> view_;
    bool alwaysVisible_ = false;
    bool notAtAttachment_ = false;
    bool widthAdjusted_ = false;
    bool formEditable_ = true;
};
