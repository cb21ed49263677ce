#pragma once

// LOCAL SHIM: what the inspector fields take from the Foundation and AppKit extensions while those
// are being built (binding write-back, the themed label pop-up). Each function is the one place to
// switch over; nothing else in the inspector names these stand-ins' insides.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorFieldLabel.h"

#include "kit/core/Object.h"
#include "kit/core/Value.h"
#include "kit/graphics/AttributedString.h"

namespace kit {
class Menu;
class View;
} // namespace kit

namespace JVLTextViewInspectorStandIns {

// Writes `value` through `object`'s binding `binding`, reverse-transformed by the binding's options.
void propagateValueForBinding(kit::Object* object, const kit::Value& value, const QString& binding);
// The URL rule: a "." that is neither the first nor the last character (the first one counts).
bool validateURL(const QString& text);
// The e-mail rule: the first "@" neither first nor last, and the URL rule for the first ".".
bool validateEMailAddress(const QString& text);
// The label pop-up: 80 x 14 at (0, 0), small, unbordered, right-aligned, arrow at the bottom,
// opening to the left; target `field`, action "labelSelectionDidChange", with `menu`.
kit::Ref<kit::View> makeLabelPopUp(kit::Object* field, kit::Ref<kit::Menu> menu);
// Selects the pop-up item that stands for `label`, when there is one.
void selectLabelInPopUp(kit::View* popUp, const kit::Ref<JVLTextViewInspectorFieldLabel>& label);

// Parts of the inspector not built yet (list fields, row buttons, the state views): what the
// inspector asks of them until they exist.
bool isListField(const kit::Object* field);
kit::Ref<kit::View> stateView(int displayMode);
void appendListRowButtons(kit::View* inspector, kit::Object* rowField, kit::AttributedString& paragraph);

} // namespace JVLTextViewInspectorStandIns
