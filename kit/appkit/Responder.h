#pragma once

// The responder chain: event methods that pass to the next responder by default, first
// responder participation, and action dispatch along the chain. Actions are selectors
// ("moveLeft") registered with the class (`c.action("moveLeft", &MyView::moveLeft)`, a method
// taking the sender as Object*), found through respondsToSelector.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Selector.h"

#include <QString>

#include <vector>

namespace kit {

class Event;
class TrackingArea;

// What a tracking area's owner receives. Responders implement it; other owners (cells) may too.
class MouseTrackingTarget {
public:
    virtual ~MouseTrackingTarget() = default;
    virtual void mouseEntered(const Event& event) = 0;
    virtual void mouseExited(const Event& event) = 0;
    virtual void mouseMoved(const Event& event) = 0;
    virtual void cursorUpdate(const Event& event) = 0;
};

class Responder : public Object, public MouseTrackingTarget {
    KIT_CLASS(Responder)

    Ref<Responder> nextResponder() const { return next_.lock(); }
    virtual void setNextResponder(Responder* responder) { next_ = responder; }

    virtual bool acceptsFirstResponder() const { return false; }
    // Sent only by Window::makeFirstResponder.
    virtual bool becomeFirstResponder() { return true; }
    virtual bool resignFirstResponder() { return true; }

    // Mouse, key and other events: each passes to the next responder unless overridden.
    virtual void mouseDown(const Event& event);
    virtual void mouseDragged(const Event& event);
    virtual void mouseUp(const Event& event);
    virtual void rightMouseDown(const Event& event);
    virtual void rightMouseDragged(const Event& event);
    virtual void rightMouseUp(const Event& event);
    virtual void otherMouseDown(const Event& event);
    virtual void otherMouseDragged(const Event& event);
    virtual void otherMouseUp(const Event& event);
    void mouseMoved(const Event& event) override;
    void mouseEntered(const Event& event) override;
    void mouseExited(const Event& event) override;
    void cursorUpdate(const Event& event) override;
    virtual void scrollWheel(const Event& event);
    virtual void keyDown(const Event& event);
    virtual void keyUp(const Event& event);
    virtual void flagsChanged(const Event& event);
    virtual void swipeWithEvent(const Event& event);
    virtual bool performKeyEquivalent(const Event&) { return false; }

    // Maps key events through the kit's key-binding table: text goes to insertText, commands to
    // doCommandBySelector.
    virtual void interpretKeyEvents(const std::vector<Ref<Event>>& events);
    virtual void insertText(const QString& text);
    // Performs the action up the chain from this responder; beeps when no one handles it.
    virtual void doCommandBySelector(Selector action);
    // Walks the chain from this responder; YES when someone performed the action.
    virtual bool tryToPerformWith(Selector action, Object* sender);

private:
    Weak<Responder> next_;
};

} // namespace kit
