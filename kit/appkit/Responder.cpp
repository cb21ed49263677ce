#include "kit/appkit/Responder.h"

#include "kit/appkit/Beep.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/KeyBindings.h"
#include "kit/core/Value.h"

namespace kit {

#define KIT_PASS_ON(method)                                                                                                                \
    void Responder::method(const Event& event)                                                                                             \
    {                                                                                                                                      \
        if (Ref<Responder> next = nextResponder())                                                                                         \
            next->method(event);                                                                                                           \
    }

KIT_PASS_ON(mouseDown)
KIT_PASS_ON(mouseDragged)
KIT_PASS_ON(mouseUp)
KIT_PASS_ON(rightMouseDown)
KIT_PASS_ON(rightMouseDragged)
KIT_PASS_ON(rightMouseUp)
KIT_PASS_ON(otherMouseDown)
KIT_PASS_ON(otherMouseDragged)
KIT_PASS_ON(otherMouseUp)
KIT_PASS_ON(mouseMoved)
KIT_PASS_ON(mouseEntered)
KIT_PASS_ON(mouseExited)
KIT_PASS_ON(cursorUpdate)
KIT_PASS_ON(scrollWheel)
KIT_PASS_ON(keyUp)
KIT_PASS_ON(flagsChanged)
KIT_PASS_ON(swipeWithEvent)

#undef KIT_PASS_ON

void Responder::keyDown(const Event& event)
{
    if (Ref<Responder> next = nextResponder())
        next->keyDown(event);
    else
        Beep();
}

void Responder::interpretKeyEvents(const std::vector<Ref<Event>>& events)
{
    for (const Ref<Event>& e : events) {
        if (!e || e->type() != KeyDown)
            continue;
        const Selector action = ActionForKeyEvent(*e);
        if (action) {
            doCommandBySelector(action);
            continue;
        }
        const QString text = e->characters();
        const bool printable = !text.isEmpty() && text.at(0).unicode() >= 0x20 && text.at(0).unicode() != 0x7F
            && !(text.at(0).unicode() >= 0xF700 && text.at(0).unicode() <= 0xF8FF);
        if (printable && !(e->modifierFlags() & (CommandKeyMask | ControlKeyMask)))
            insertText(text);
        else
            doCommandBySelector(Selector("noop"));
    }
}

void Responder::insertText(const QString& text)
{
    if (Ref<Responder> next = nextResponder())
        next->insertText(text);
    else
        Beep();
}

void Responder::doCommandBySelector(Selector action)
{
    if (!tryToPerformWith(action, nullptr))
        Beep();
}

bool Responder::tryToPerformWith(Selector action, Object* sender)
{
    for (Ref<Responder> r(this); r; r = r->nextResponder()) {
        if (r->class_().action(action.name()) && r->respondsToSelector(action)) {
            r->performSelectorWithObject(action, Value(Ref<Object>(sender)));
            return true;
        }
    }
    return false;
}

KIT_REGISTER_CLASS(Responder, Object) { }

} // namespace kit
