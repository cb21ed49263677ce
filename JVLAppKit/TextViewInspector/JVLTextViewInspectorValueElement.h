#pragma once

// A text field's value in the form as a screen reader meets it: a text field (static text while it
// cannot be edited) named by the field's label and valued by what its run shows (nothing while the
// grey placeholder stands in, which it answers as its placeholder); placed on the run, and focused
// while that run is edited in the focused form.

#include "kit/appkit/Accessibility.h"
#include "kit/core/Class.h"
#include "kit/core/Object.h"

class JVLTextViewInspector;
class JVLTextViewInspectorTextField;

class JVLTextViewInspectorValueElement : public kit::Object, public kit::Accessibility {
    KIT_CLASS(JVLTextViewInspectorValueElement)
public:
    JVLTextViewInspectorValueElement() = default;
    JVLTextViewInspectorValueElement(JVLTextViewInspector* inspector, JVLTextViewInspectorTextField* field);

    kit::Ref<JVLTextViewInspectorTextField> field() const { return field_.lock(); }
    // The field's value run in the inspector's text; NotFound while not shown.
    kit::Range valueRun() const;
    bool isEdited() const;

    // kit::Accessibility:
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    // Focus: the form takes the keys and edits this value.
    void accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute) override;
    kit::Ref<kit::View> accessibilityDrawingView() const override;

private:
    kit::Weak<JVLTextViewInspector> inspector_;
    kit::Weak<JVLTextViewInspectorTextField> field_;
};
