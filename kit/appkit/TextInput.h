#pragma once

// What the window host asks of a first responder that takes text from input methods: the
// preedit (composed, not yet committed text, shown at the caret and never stored) and what the
// input method queries about the caret. Commits arrive as text key-downs. The text view
// implements it; appkit does not know the text system.

#include "kit/core/Geometry.h"

#include <QString>

#include <cstdint>

namespace kit {

class TextInputClient {
public:
    virtual ~TextInputClient() = default;
    // The composed text with its cursor (an offset into it); an empty string ends the preedit.
    virtual void setMarkedTextSelectedRange(const QString& text, Range selected) = 0;
    virtual void unmarkText() = 0;
    virtual bool hasMarkedText() const = 0;
    virtual QString markedText() const = 0;
    // In the window's base coordinates (y up).
    virtual Rect firstRectForCharacterRange(Range range) const = 0;
    virtual Range selectedRangeForInput() const = 0;
    // The paragraph around the caret and the caret's offset in it.
    virtual QString surroundingText() const = 0;
    virtual std::int64_t cursorPositionInSurroundingText() const = 0;
};

} // namespace kit
