#pragma once

// What a text view's delegate may implement beyond the editing run (kit::TextDelegate): each
// operation is sent only when the delegate's class registered it (c.optionalOperation).

#include "kit/appkit/FieldEditing.h"
#include "kit/core/Geometry.h"
#include "kit/core/Selector.h"
#include "kit/core/Value.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace kit {

class TextView;

inline constexpr const char* TextViewShouldChangeTextInRangeReplacementStringOperation = "textViewShouldChangeTextInRangeReplacementString";
inline constexpr const char* TextViewWillChangeSelectionFromCharacterRangeToCharacterRangeOperation
    = "textViewWillChangeSelectionFromCharacterRangeToCharacterRange";
inline constexpr const char* TextViewDidChangeSelectionOperation = "textViewDidChangeSelection";
inline constexpr const char* TextViewDoCommandBySelectorOperation = "textViewDoCommandBySelector";
inline constexpr const char* TextViewClickedOnLinkAtIndexOperation = "textViewClickedOnLinkAtIndex";
inline constexpr const char* TextViewCompletionsForPartialWordRangeIndexOfSelectedItemOperation
    = "textViewCompletionsForPartialWordRangeIndexOfSelectedItem";

inline const QString TextViewDidChangeSelectionNotification = QStringLiteral("NSTextViewDidChangeSelectionNotification");

class TextViewDelegate : public virtual TextDelegate {
public:
    // A user change of `range` to `replacement` (in the text view's own ranges).
    virtual bool textViewShouldChangeTextInRangeReplacementString(TextView*, Range /*range*/, const QString& /*replacement*/)
    {
        return true;
    }
    // Every selection change that is not still-selecting; the answer is applied.
    virtual Range textViewWillChangeSelectionFromCharacterRangeToCharacterRange(TextView*, Range /*old*/, Range proposed) { return proposed; }
    virtual void textViewDidChangeSelection(Notification*) { }
    // YES: the delegate performed the command.
    virtual bool textViewDoCommandBySelector(TextView*, Selector) { return false; }
    // YES: the delegate handled the click on the link `link` at `index`.
    virtual bool textViewClickedOnLinkAtIndex(TextView*, const Value& /*link*/, std::int64_t /*index*/) { return false; }
    virtual QStringList textViewCompletionsForPartialWordRangeIndexOfSelectedItem(
        TextView*, const QStringList& words, Range /*range*/, std::int64_t* /*index*/)
    {
        return words;
    }
};

} // namespace kit
