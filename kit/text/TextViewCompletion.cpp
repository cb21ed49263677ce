// TextView: completion of the partial word before the caret, offered in a list under the word.
// The list is a borderless kit window that never takes the keys: the text view keeps them, Up and
// Down choose, Return and Tab accept through the edit pipeline, Escape closes it and the text stays
// as typed.

#include "kit/appkit/Beep.h"
#include "kit/appkit/Window.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextView.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace kit {

namespace textviewcompletion {

class CompletionList : public View {
public:
    CompletionList(Rect frame, QStringList items, QFont font)
        : View(frame)
        , items(std::move(items))
        , font(std::move(font))
    { }
    bool isFlipped() const override { return true; }
    void drawRect(Rect) override
    {
        QPainter* p = View::currentPainter();
        if (!p)
            return;
        const QPalette palette = QApplication::palette();
        p->fillRect(QRectF(0, 0, bounds().width(), bounds().height()), palette.color(QPalette::Base));
        p->setFont(font);
        const double h = rowHeight(font);
        for (qsizetype i = 0; i < items.size(); ++i) {
            const QRectF row(0, double(i) * h, bounds().width(), h);
            if (i == chosen)
                p->fillRect(row, palette.color(QPalette::Highlight));
            p->setPen(palette.color(i == chosen ? QPalette::HighlightedText : QPalette::Text));
            p->drawText(row.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, items.at(i));
        }
        p->setPen(palette.color(QPalette::Mid));
        p->drawRect(QRectF(0.5, 0.5, bounds().width() - 1, bounds().height() - 1));
    }
    static double rowHeight(const QFont& font) { return std::ceil(QFontMetricsF(font).height()) + 2; }

    QStringList items;
    QFont font;
    std::int64_t chosen = 0;
};

} // namespace textviewcompletion

struct TextView::Completion {
    Range range;
    QStringList items;
    std::int64_t index = 0;
    Ref<Window> popup;
    Ref<textviewcompletion::CompletionList> list;
};

void TextView::CompletionDeleter::operator()(Completion* completion) const { delete completion; }

Range TextView::rangeForUserCompletion() const
{
    const std::int64_t caret = MaxRange(selected_);
    const std::int64_t start = wordBoundary(caret, false);
    if (start >= caret)
        return { NotFound, 0 };
    return { start, caret - start };
}

QStringList TextView::completionsForPartialWordRangeIndexOfSelectedItem(Range range, std::int64_t* index)
{
    Ref<Object> holder;
    if (TextViewDelegate* d = delegateFor<TextViewDelegate>(TextViewCompletionsForPartialWordRangeIndexOfSelectedItemOperation, holder))
        return d->textViewCompletionsForPartialWordRangeIndexOfSelectedItem(this, {}, range, index);
    return {};
}

void TextView::complete(Object*)
{
    const Ref<TextView> keep(this);
    if (!editable_) {
        Beep();
        return;
    }
    if (completion_) {
        closeCompletions();
        return;
    }
    const Range range = rangeForUserCompletion();
    if (range.location == NotFound) {
        Beep();
        return;
    }
    std::int64_t index = 0;
    const QStringList items = completionsForPartialWordRangeIndexOfSelectedItem(range, &index);
    if (items.isEmpty()) {
        Beep();
        return;
    }
    showCompletions(range, items, std::clamp<std::int64_t>(index, 0, items.size() - 1));
}

void TextView::cancelOperation(Object* sender)
{
    if (completion_) {
        closeCompletions();
        return;
    }
    // A one-line field has nothing to complete: Escape goes on to its window (the Escape button).
    if (fieldEditor_) {
        const Ref<Responder> next = nextResponder();
        if (!next || !next->tryToPerformWith(Selector("cancelOperation"), sender))
            Beep();
        return;
    }
    complete(sender);
}

QStringList TextView::shownCompletions() const { return completion_ ? completion_->items : QStringList(); }
std::int64_t TextView::chosenCompletion() const { return completion_ ? completion_->index : -1; }

void TextView::showCompletions(Range range, const QStringList& items, std::int64_t index)
{
    closeCompletions();
    std::unique_ptr<Completion, CompletionDeleter> c(new Completion);
    c->range = range;
    c->items = items;
    c->index = index;
    const Ref<Window> w = window();
    if (w) {
        // Under the word, in screen coordinates (y up).
        const Rect word = convertRectToView(insertionPointRect(range.location), nullptr);
        const double rowHeight = textviewcompletion::CompletionList::rowHeight(font_);
        double width = 60;
        const QFontMetricsF fm(font_);
        for (const QString& item : items)
            width = std::max(width, std::ceil(fm.horizontalAdvance(item)) + 8);
        const double height = rowHeight * double(std::min<qsizetype>(items.size(), 12));
        const Point below = w->convertBaseToScreen(MakePoint(word.minX(), word.minY()));
        c->popup = make<Window>(MakeRect(below.x, below.y - height, width, height), BorderlessWindowMask);
        c->popup->setLevel(FloatingWindowLevel);
        c->list = make<textviewcompletion::CompletionList>(MakeRect(0, 0, width, height), items, font_);
        c->list->chosen = index;
        c->popup->setContentView(c->list.get());
        c->popup->orderFront();
    }
    completion_ = std::move(c);
}

bool TextView::completionKey(Selector action)
{
    if (!completion_)
        return false;
    const QString name = action.name();
    if (name == QLatin1String("moveUp") || name == QLatin1String("moveDown")) {
        const std::int64_t n = completion_->items.size();
        completion_->index = (completion_->index + (name == QLatin1String("moveUp") ? n - 1 : 1)) % n;
        if (completion_->list) {
            completion_->list->chosen = completion_->index;
            completion_->list->setNeedsDisplay(true);
        }
        return true;
    }
    if (name == QLatin1String("insertNewline") || name == QLatin1String("insertTab")) {
        acceptCompletion();
        return true;
    }
    if (name == QLatin1String("cancelOperation")) {
        closeCompletions();
        return true;
    }
    // Anything else (typing, other moves) closes the list and goes on as usual.
    closeCompletions();
    return false;
}

void TextView::acceptCompletion()
{
    if (!completion_)
        return;
    const Range range = completion_->range;
    const QString chosen = completion_->items.value(completion_->index);
    closeCompletions();
    replaceForUser(range, chosen);
}

void TextView::closeCompletions()
{
    if (!completion_)
        return;
    const std::unique_ptr<Completion, CompletionDeleter> c = std::move(completion_);
    if (c->popup)
        c->popup->close();
}

} // namespace kit
