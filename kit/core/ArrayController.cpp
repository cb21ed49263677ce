#include "kit/core/ArrayController.h"

#include "kit/core/Exception.h"

namespace kit {

KIT_REGISTER_CLASS(ArrayController, ObjectController)
{
    c.property("arrangedObjects", &ArrayController::arrangedObjects);
    c.property(
        "contentArray", [](const ArrayController& a) { return Value(a.arrangedObjects()); },
        [](ArrayController& a, const Value& v) { a.setContent(v); });
    c.property(
        "selectionIndexes", [](const ArrayController& a) { return Value(a.selectionIndexes()); },
        [](ArrayController& a, const Value& v) { a.setSelectionIndexes(v.indexSet()); });
    c.property(
        "selectionIndex", [](const ArrayController& a) { return Value(a.selectionIndex()); },
        [](ArrayController& a, const Value& v) { a.setSelectionIndex(v.isNilOrNull() ? NotFound : v.integerValue()); }, true);
    c.property(
        "selectedObjects", [](const ArrayController& a) { return Value(a.selectedObjects()); },
        [](ArrayController& a, const Value& v) { a.setSelectedObjects(v.array()); });
    c.property("avoidsEmptySelection", &ArrayController::avoidsEmptySelection, &ArrayController::setAvoidsEmptySelection);
    c.property("preservesSelection", &ArrayController::preservesSelection, &ArrayController::setPreservesSelection);
    c.property("selectsInsertedObjects", &ArrayController::selectsInsertedObjects, &ArrayController::setSelectsInsertedObjects);
    c.dependentKey("arrangedObjects", { "content" });
    c.dependentKey("contentArray", { "content" });
    c.dependentKey("selectionIndex", { "selectionIndexes" });
    c.dependentKey("selectedObjects", { "selectionIndexes", "content" });
    c.exposeBinding("contentArray").exposeBinding("selectionIndexes");
}

ArrayController::ArrayController() { content_ = Array(); }

ArrayController::ArrayController(const Array& content)
{
    content_ = content;
    if (!content.isEmpty())
        selection_ = IndexSet(0);
}

namespace {

Array asArray(const Value& v)
{
    if (v.isArray())
        return v.array();
    if (v.isSet())
        return v.set().allObjects();
    if (v.isNilOrNull())
        return {};
    return Array { v };
}

void checkIndex(std::int64_t index, std::int64_t limit, const char* method, std::int64_t count)
{
    if (index < 0 || index >= limit)
        throw Exception(
            RangeException, format(QStringLiteral("-[ArrayController %s]: index %ld beyond bounds [0 .. %ld]"), method, index, count - 1));
}

} // namespace

IndexSet ArrayController::survivingSelection(const Array& oldContent, const Array& newContent) const
{
    MutableIndexSet kept;
    if (!preservesSelection_)
        return kept;
    for (auto i : selection_) {
        if (i >= oldContent.count())
            continue;
        const std::int64_t at = newContent.indexOfObjectIdenticalTo(oldContent[i]);
        if (at != NotFound)
            kept.addIndex(at);
    }
    return kept;
}

void ArrayController::replaceContent(const Array& content, const IndexSet& selectionAfter)
{
    IndexSet next = selectionAfter;
    if (next.isEmpty() && !content.isEmpty() && avoidsEmptySelection_ && !explicitlyEmpty_)
        next = IndexSet(0);
    const bool selectionChanges = next != selection_;
    if (selectionChanges)
        willChangeValueForKey("selectionIndexes");
    willChangeValueForKey("content");
    content_ = content;
    if (selectionChanges)
        selection_ = next;
    didChangeValueForKey("content");
    if (selectionChanges)
        didChangeValueForKey("selectionIndexes");
}

void ArrayController::setContent(const Value& content)
{
    const Array next = asArray(content);
    replaceContent(next, survivingSelection(arrangedObjects(), next));
}

Array ArrayController::selectedObjects() const
{
    const Array arranged = arrangedObjects();
    std::vector<Value> out;
    for (auto i : selection_)
        if (i < arranged.count())
            out.push_back(arranged[i]);
    return Array(std::move(out));
}

void ArrayController::insertObjectAtArrangedObjectIndex(const Value& object, std::int64_t index)
{
    const Array old = arrangedObjects();
    checkIndex(index, old.count() + 1, "insertObject:atArrangedObjectIndex:", old.count());
    Array next = old;
    next.insertObjectAtIndex(object, index);
    MutableIndexSet selection = selection_;
    if (selectsInsertedObjects_)
        selection = IndexSet(index);
    else
        selection.shiftIndexesStartingAtIndex(index, 1);
    replaceContent(next, selection);
}

void ArrayController::removeObjectAtArrangedObjectIndex(std::int64_t index)
{
    const Array old = arrangedObjects();
    checkIndex(index, old.count(), "removeObjectAtArrangedObjectIndex:", old.count());
    Array next = old;
    next.removeObjectAtIndex(index);
    MutableIndexSet selection = selection_;
    const bool wasSelected = selection.containsIndex(index);
    selection.removeIndex(index);
    selection.shiftIndexesStartingAtIndex(index + 1, -1);
    // Removing the selected object selects its neighbour.
    if (wasSelected && selection.isEmpty() && !next.isEmpty() && avoidsEmptySelection_)
        selection.addIndex(std::min(index, next.count() - 1));
    replaceContent(next, selection);
}

void ArrayController::addObject(const Value& object) { insertObjectAtArrangedObjectIndex(object, arrangedObjects().count()); }

void ArrayController::removeObject(const Value& object)
{
    const Array arranged = arrangedObjects();
    std::int64_t at = arranged.indexOfObjectIdenticalTo(object);
    if (at == NotFound)
        at = arranged.indexOfObject(object);
    if (at != NotFound)
        removeObjectAtArrangedObjectIndex(at);
}

void ArrayController::changeSelection(const IndexSet& indexes)
{
    willChangeValueForKey("selectionIndexes");
    selection_ = indexes;
    didChangeValueForKey("selectionIndexes");
}

bool ArrayController::setSelectionIndexes(const IndexSet& indexes)
{
    MutableIndexSet valid = indexes;
    const std::int64_t count = arrangedObjects().count();
    if (!valid.isEmpty() && valid.lastIndex() >= count)
        valid.removeIndexesInRange({ count, NotFound - count });
    explicitlyEmpty_ = valid.isEmpty();
    if (valid == selection_)
        return false;
    changeSelection(valid);
    return true;
}

bool ArrayController::setSelectionIndex(std::int64_t index)
{
    return setSelectionIndexes(index == NotFound || index < 0 ? IndexSet() : IndexSet(index));
}

bool ArrayController::setSelectedObjects(const Array& objects)
{
    const Array arranged = arrangedObjects();
    MutableIndexSet indexes;
    for (const Value& o : objects) {
        std::int64_t at = arranged.indexOfObjectIdenticalTo(o);
        if (at == NotFound)
            at = arranged.indexOfObject(o);
        if (at != NotFound)
            indexes.addIndex(at);
    }
    return setSelectionIndexes(indexes);
}

} // namespace kit
