#include "kit/appkit/KeyBindings.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"

namespace kit {

namespace {

constexpr std::uint64_t S = ShiftKeyMask;
constexpr std::uint64_t C = CommandKeyMask; // Ctrl on this platform
constexpr std::uint64_t A = AlternateKeyMask;
constexpr std::uint64_t relevantFlags = ShiftKeyMask | CommandKeyMask | AlternateKeyMask | ControlKeyMask;

struct Binding {
    std::uint16_t keyCode;
    std::uint64_t flags;
    const char* action;
};

constexpr Binding bindings[] = {
    { KeyCodeLeftArrow, 0, "moveLeft" },
    { KeyCodeRightArrow, 0, "moveRight" },
    { KeyCodeUpArrow, 0, "moveUp" },
    { KeyCodeDownArrow, 0, "moveDown" },
    { KeyCodeLeftArrow, S, "moveLeftAndModifySelection" },
    { KeyCodeRightArrow, S, "moveRightAndModifySelection" },
    { KeyCodeUpArrow, S, "moveUpAndModifySelection" },
    { KeyCodeDownArrow, S, "moveDownAndModifySelection" },
    { KeyCodeLeftArrow, C, "moveWordLeft" },
    { KeyCodeRightArrow, C, "moveWordRight" },
    { KeyCodeLeftArrow, C | S, "moveWordLeftAndModifySelection" },
    { KeyCodeRightArrow, C | S, "moveWordRightAndModifySelection" },
    { KeyCodeUpArrow, C, "moveToBeginningOfParagraph" },
    { KeyCodeDownArrow, C, "moveToEndOfParagraph" },
    { KeyCodeUpArrow, C | S, "moveToBeginningOfParagraphAndModifySelection" },
    { KeyCodeDownArrow, C | S, "moveToEndOfParagraphAndModifySelection" },
    { KeyCodeHome, 0, "moveToBeginningOfLine" },
    { KeyCodeEnd, 0, "moveToEndOfLine" },
    { KeyCodeHome, S, "moveToBeginningOfLineAndModifySelection" },
    { KeyCodeEnd, S, "moveToEndOfLineAndModifySelection" },
    { KeyCodeHome, C, "moveToBeginningOfDocument" },
    { KeyCodeEnd, C, "moveToEndOfDocument" },
    { KeyCodeHome, C | S, "moveToBeginningOfDocumentAndModifySelection" },
    { KeyCodeEnd, C | S, "moveToEndOfDocumentAndModifySelection" },
    { KeyCodePageUp, 0, "pageUp" },
    { KeyCodePageDown, 0, "pageDown" },
    { KeyCodePageUp, S, "pageUpAndModifySelection" },
    { KeyCodePageDown, S, "pageDownAndModifySelection" },
    { KeyCodeTab, 0, "insertTab" },
    { KeyCodeTab, S, "insertBacktab" },
    // Out of a view that takes Tab itself (a text area).
    { KeyCodeTab, C, "selectNextKeyView" },
    { KeyCodeTab, C | S, "selectPreviousKeyView" },
    { KeyCodeReturn, 0, "insertNewline" },
    { KeyCodeReturn, S, "insertNewline" },
    { KeyCodeKeypadEnter, 0, "insertNewline" },
    { KeyCodeReturn, A, "insertNewlineIgnoringFieldEditor" },
    { KeyCodeDelete, 0, "deleteBackward" },
    { KeyCodeDelete, S, "deleteBackward" },
    { KeyCodeDelete, C, "deleteWordBackward" },
    { KeyCodeForwardDelete, 0, "deleteForward" },
    { KeyCodeForwardDelete, C, "deleteWordForward" },
    { KeyCodeEscape, 0, "cancelOperation" },
    { KeyCodeA, C, "selectAll" },
    { KeyCodeC, C, "copy" },
    { KeyCodeX, C, "cut" },
    { KeyCodeV, C, "paste" },
};

} // namespace

Selector ActionForKey(std::uint16_t keyCode, std::uint64_t modifierFlags)
{
    const std::uint64_t flags = modifierFlags & relevantFlags;
    for (const Binding& b : bindings)
        if (b.keyCode == keyCode && b.flags == flags)
            return Selector(b.action);
    return {};
}

Selector ActionForKeyEvent(const Event& event)
{
    if (event.type() != KeyDown)
        return {};
    return ActionForKey(event.keyCode(), event.modifierFlags());
}

} // namespace kit
