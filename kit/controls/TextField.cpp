#include "kit/controls/TextField.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/Window.h"

namespace kit {

KIT_REGISTER_CLASS(TextField, Control)
{
    c.property("value", &TextField::objectValue, &TextField::setObjectValue);
    c.exposeBinding("value");
    c.property("editable", &TextField::isEditable, &TextField::setEditable);
    c.property("selectable", &TextField::isSelectable, &TextField::setSelectable);
    c.property("placeholderString", &TextField::placeholderString, &TextField::setPlaceholderString);
    c.action("selectText", &TextField::selectText);
}

TextField::TextField(Rect frame)
    : TextField(frame, cellClass()())
{ }

TextField::TextField(Rect frame, Ref<Cell> cell)
    : Control(frame, std::move(cell))
{
    if (const Ref<Cell> c = this->cell()) {
        c->setEditable(true);
        c->setSelectable(true);
        c->setBezeled(true);
        c->setScrollable(true);
    }
    if (TextFieldCell* c = textCell())
        c->setDrawsBackground(true);
}

#define KIT_TEXTFIELD_FORWARD(setter, type)                                                                                                \
    void TextField::setter(type value)                                                                                                     \
    {                                                                                                                                      \
        if (const Ref<Cell> c = cell())                                                                                                    \
            c->setter(value);                                                                                                              \
        setNeedsDisplay(true);                                                                                                             \
    }
KIT_TEXTFIELD_FORWARD(setEditable, bool)
KIT_TEXTFIELD_FORWARD(setSelectable, bool)
KIT_TEXTFIELD_FORWARD(setBezeled, bool)
KIT_TEXTFIELD_FORWARD(setBordered, bool)
#undef KIT_TEXTFIELD_FORWARD

bool TextField::drawsBackground() const { return textCell() && textCell()->drawsBackground(); }
Ref<Color> TextField::backgroundColor() const { return textCell() ? textCell()->backgroundColor() : nullptr; }
Ref<Color> TextField::textColor() const { return textCell() ? textCell()->textColor() : nullptr; }
QString TextField::placeholderString() const { return textCell() ? textCell()->placeholderString() : QString(); }

void TextField::setDrawsBackground(bool flag)
{
    if (TextFieldCell* c = textCell())
        c->setDrawsBackground(flag);
    setNeedsDisplay(true);
}

void TextField::setBackgroundColor(Ref<Color> color)
{
    if (TextFieldCell* c = textCell())
        c->setBackgroundColor(std::move(color));
    setNeedsDisplay(true);
}

void TextField::setTextColor(Ref<Color> color)
{
    if (TextFieldCell* c = textCell())
        c->setTextColor(std::move(color));
    setNeedsDisplay(true);
}

void TextField::setPlaceholderString(const QString& placeholder)
{
    if (TextFieldCell* c = textCell())
        c->setPlaceholderString(placeholder);
    setNeedsDisplay(true);
}

void TextField::startEditing(const Event* event)
{
    const Ref<Window> w = window();
    const Ref<Cell> c = cell();
    if (!w || !c || !c->isSelectable())
        return;
    const Ref<TextField> keep(this);
    const Ref<Responder> editor = w->fieldEditorForObject(true, this);
    if (!editor)
        return;
    c->setUpFieldEditorAttributes(editor.get());
    if (event)
        c->editWithFrameInViewEditorDelegateEvent(bounds(), this, editor.get(), this, event);
    else
        c->selectWithFrameInViewEditorDelegateStartLength(bounds(), this, editor.get(), this, 0, c->stringValue().size());
    setNeedsDisplay(true);
}

bool TextField::becomeFirstResponder()
{
    if (!Control::becomeFirstResponder())
        return false;
    // The editor takes over as first responder (the window keeps that inner choice).
    if (!currentEditor())
        startEditing(nullptr);
    return true;
}

void TextField::selectText(Object*)
{
    if (const Ref<Responder> editor = currentEditor()) {
        auto* editing = dynamic_cast<FieldEditing*>(editor.get());
        editing->setEditorSelectedRange({ 0, std::int64_t(editing->editorString().size()) });
        return;
    }
    if (const Ref<Window> w = window(); w && isSelectable())
        w->makeFirstResponder(this);
}

void TextField::mouseDown(const Event& event)
{
    if (!isEnabled())
        return;
    if (const Ref<Responder> editor = currentEditor()) {
        editor->mouseDown(event);
        return;
    }
    // Only a field the press made first responder edits: a refused handover changes nothing.
    if (const Ref<Window> w = window(); w && w->firstResponder().get() == this && isSelectable())
        startEditing(&event);
}

} // namespace kit
