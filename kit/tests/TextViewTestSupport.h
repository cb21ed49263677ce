#pragma once

// A text view delegate for tests: logs the edit pipeline, the selection hook, link clicks and
// completion requests, answering as told.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/testsupport/CallRecorder.h"
#include "kit/text/TextView.h"
#include "kit/text/TextViewDelegate.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace kit::test {

// "{location,length}", as the delegates log ranges.
inline QString rangeText(Range r) { return QStringLiteral("{%1,%2}").arg(r.location).arg(r.length); }

// A delegate that logs the pipeline and the selection hook, answering as told.
class PipelineDelegate : public Object, public TextViewDelegate {
    KIT_CLASS(PipelineDelegate)

    bool textViewShouldChangeTextInRangeReplacementString(TextView*, Range range, const QString& replacement) override
    {
        calls.record("shouldChange " + rangeText(range) + " \"" + replacement + "\"");
        return allowChange;
    }
    void textDidChange(Notification*) override { calls.record("textDidChange"); }
    Range textViewWillChangeSelectionFromCharacterRangeToCharacterRange(TextView*, Range, Range proposed) override
    {
        calls.record("willChangeSelection " + rangeText(proposed));
        return selectionAnswer ? selectionAnswer(proposed) : proposed;
    }
    bool textViewClickedOnLinkAtIndex(TextView*, const Value& link, std::int64_t index) override
    {
        calls.record("clickedOnLink " + link.string() + " " + QString::number(index));
        return handlesLinks;
    }
    QStringList textViewCompletionsForPartialWordRangeIndexOfSelectedItem(TextView* view, const QStringList&, Range range, std::int64_t*) override
    {
        const QString partial = view->string().mid(range.location, range.length);
        QStringList out;
        for (const QString& w : words)
            if (w.startsWith(partial))
                out << w;
        return out;
    }

    CallRecorder calls;
    bool allowChange = true;
    bool handlesLinks = false;
    QStringList words;
    std::function<Range(Range)> selectionAnswer;
};

} // namespace kit::test
