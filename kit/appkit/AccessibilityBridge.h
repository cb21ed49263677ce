#pragma once

// Shows kit accessibility elements to Qt's accessibility: one object-less QAccessibleInterface per
// element, made and registered the first time Qt asks for it, holding the element weakly; each
// window's host widget gets an interface whose children are the window's unignored elements.
// An element that goes sends ObjectDestroyed and deletes its interface (Qt owns it); a change of
// an element's children sends ObjectReorder. Main thread only.

#include "kit/core/Value.h"

#include <QAccessible>

class QAccessibleEvent;
class QAccessibleInterface;

namespace kit {

class Accessibility;
class Window;

class AccessibilityBridge {
public:
    // Installs the factory for window host widgets (once; the first window does it).
    static void install();
    // Puts that factory before every other, the application's included: each window host does it
    // before Qt first asks for the host's interface (which Qt then keeps).
    static void putFactoryFirst();
    // The interface Qt shows for `element` (an object); null for anything else.
    static QAccessibleInterface* interfaceFor(const Value& element);

    // The word or sentence of `text` that holds `offset`, as QAccessibleTextInterface::textAtOffset
    // answers, also at the start of a text that starts with no word (Qt's own then loops for ever).
    static QString textAtOffset(const QString& text, int offset, QAccessible::TextBoundaryType type, int* startOffset, int* endOffset);

    // Test seam: sees every event the bridge sends (Qt drops them while no platform bridge is active).
    using EventObserver = void (*)(const QAccessibleEvent& event);
    static void setEventObserverForTesting(EventObserver observer);

    // Sent by kit::Accessibility.
    static void elementDestroyed(const Accessibility* element);
    static void childrenChanged(const Accessibility* element);
    // A value change: ValueChanged for a number, TextUpdated for a text; nothing for an element
    // Qt never asked about.
    static void valueChanged(const Accessibility* element);
    // Its title changed: NameChanged, which a reader speaks for the focused element.
    static void titleChanged(const Accessibility* element);
    static void selectionChanged(const Accessibility* element);
    // A text's caret or selection moved: TextCaretMoved and TextSelectionChanged, each only when
    // that one changed; nothing for an element Qt never asked about.
    static void selectedTextChanged(const Accessibility* element);
    // Sent by a window whose first responder changed: Focus for the element that now has focus,
    // while accessibility is active.
    static void focusChanged(Window* window);
};

} // namespace kit
