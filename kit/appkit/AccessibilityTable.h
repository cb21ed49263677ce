#pragma once

// Tables as a screen reader reads them: a table element adopts kit::AccessibilityTable beside
// kit::Accessibility and answers its size, a cell by its place, headers and the selection by index,
// so a client reads a table of millions of rows without the table making an element per row. Its
// cells answer their place (AXRowIndexRange, AXColumnIndexRange) and lead to the table through
// their parents. The bridge shows the two as Qt's table and table-cell interfaces.

#include "kit/appkit/Accessibility.h"
#include "kit/core/AutoreleasePool.h"
#include "kit/core/IndexSet.h"
#include "kit/foundation/RunLoop.h"

#include <functional>
#include <list>
#include <memory>
#include <unordered_map>

namespace kit {

class View;

// A cell's place: the rows and the columns it spans.
inline const QString AccessibilityRowIndexRangeAttribute = QStringLiteral("AXRowIndexRange");
inline const QString AccessibilityColumnIndexRangeAttribute = QStringLiteral("AXColumnIndexRange");

class AccessibilityTable {
public:
    virtual ~AccessibilityTable() = default;

    virtual std::int64_t accessibilityRowCount() const = 0;
    virtual std::int64_t accessibilityColumnCount() const = 0;
    // The cell element at `column`, `row`, made when first asked for; nil outside the table.
    virtual Value accessibilityCellForColumnRow(std::int64_t column, std::int64_t row) const = 0;
    // The header element of a column or a row; nil where the table has none.
    virtual Value accessibilityColumnHeader(std::int64_t) const { return {}; }
    virtual Value accessibilityRowHeader(std::int64_t) const { return {}; }
    // What a header says when the table has no header element for it.
    virtual QString accessibilityColumnTitle(std::int64_t column) const;
    // The selection as a rectangle: the selected cells are these rows × these columns (a table
    // that selects rows answers every column).
    struct Selection {
        IndexSet rows;
        IndexSet columns;
    };
    virtual Selection accessibilitySelection() const = 0;
    // Selects a whole row or column (or takes it out) the user's way; whether the table could.
    virtual bool accessibilitySetRowSelected(std::int64_t, bool) { return false; }
    virtual bool accessibilitySetColumnSelected(std::int64_t, bool) { return false; }
};

// Elements made on demand (a table's rows, a cover flow's pictures), by key: those `keep` holds on
// to (what is shown, what has the focus) and beside them the `limit` a client asked for last, so
// memory stays flat however far a reader walks. One let go lives to the end of the current event
// (a client's question, or a walk outside any event, may still hold its interface), then tells the
// bridge it has gone.
template <class Key, class Element, class Hash = std::hash<Key>> class AccessibilityElementCache {
public:
    using Keep = std::function<bool(const Key&, const Element&)>;

    explicit AccessibilityElementCache(std::size_t limit, Keep keep = {})
        : limit_(limit)
        , keep_(std::move(keep))
    { }

    // The element of `key` if there is one; asking does not count as use.
    Ref<Element> find(const Key& key) const
    {
        const auto it = index_.find(key);
        return it != index_.end() ? it->second->second : nullptr;
    }
    // The element of `key`, made by `make` when there is none; now the last asked for.
    template <class Make> Ref<Element> obtain(const Key& key, Make&& make)
    {
        if (const auto it = index_.find(key); it != index_.end()) {
            order_.splice(order_.begin(), order_, it->second);
            return it->second->second;
        }
        Ref<Element> element = make();
        if (!element)
            return nullptr;
        order_.emplace_front(key, element);
        index_.emplace(key, order_.begin());
        trim();
        return element;
    }
    template <class F> void forEach(F&& f) const
    {
        for (const auto& [key, element] : order_)
            f(key, element);
    }
    // Those gone for good: they tell the bridge at once.
    template <class Pred> void eraseIf(Pred&& pred)
    {
        for (auto it = order_.begin(); it != order_.end();)
            it = pred(it->first, *it->second) ? erase(it, false) : std::next(it);
    }
    std::size_t size() const { return order_.size(); }

private:
    using Entries = std::list<std::pair<Key, Ref<Element>>>;

    typename Entries::iterator erase(typename Entries::iterator it, bool later = true)
    {
        if (later && AutoreleasePool::depth() > 0)
            autorelease(Ref<Object>(it->second));
        else if (later)
            RunLoop::main().enqueueMainBlock([keep = Ref<Object>(it->second)] { });
        index_.erase(it->first);
        return order_.erase(it);
    }
    // The least recently asked first; those kept stay whatever their number.
    void trim()
    {
        auto it = order_.end();
        while (order_.size() > limit_ && it != order_.begin()) {
            --it;
            if (!keep_ || !keep_(it->first, *it->second))
                it = erase(it);
        }
    }

    std::size_t limit_;
    Keep keep_;
    Entries order_;
    std::unordered_map<Key, typename Entries::iterator, Hash> index_;
};

// The table a cell lies in: the first of its ancestors adopting AccessibilityTable; nil for none.
Value AccessibilityTableOfCell(const Value& cell);

// The bridge's side: Qt's table interface for an element adopting AccessibilityTable, the
// table-cell interface for an element answering AXRowIndexRange, else null. `adapter` belongs to
// the element's interface and is made on first use. Its cell of a place is never null (Qt 6.4's
// bus adaptor reads it unchecked): a place outside the table answers a cell that is nowhere, not
// selected, of no extent and no child of the table.
class AccessibilityTableAdapter;
struct AccessibilityTableAdapterDeleter {
    void operator()(AccessibilityTableAdapter* adapter) const;
};
using AccessibilityTableAdapterPtr = std::unique_ptr<AccessibilityTableAdapter, AccessibilityTableAdapterDeleter>;
void* AccessibilityTableInterfaceCast(const Value& element, int interfaceType, AccessibilityTableAdapterPtr& adapter);

} // namespace kit
