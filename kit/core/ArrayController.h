#pragma once

// A controller of an array: arranged objects (the content, in order), a selection kept as an
// IndexSet, insertion and removal at arranged indexes. A content change, insert or remove reports
// "arrangedObjects" as one Setting. The selection indexes are a manual key: they notify only when
// the set differs, so two-way synchronisation with a view settles.

#include "kit/core/ObjectController.h"

namespace kit {

class ArrayController : public ObjectController {
    KIT_CLASS(ArrayController)
    ArrayController();
    explicit ArrayController(const Array& content);

    // kit::ObjectController:
    void setContent(const Value& content) override;
    Array selectedObjects() const override;
    void addObject(const Value& object) override;
    void removeObject(const Value& object) override;

    Array arrangedObjects() const { return content_.array(); }

    // Raises RangeException unless index <= count.
    void insertObjectAtArrangedObjectIndex(const Value& object, std::int64_t index);
    // Raises RangeException unless index < count.
    void removeObjectAtArrangedObjectIndex(std::int64_t index);

    const IndexSet& selectionIndexes() const { return selection_; }
    // Answers whether the selection changed.
    bool setSelectionIndexes(const IndexSet& indexes);
    std::int64_t selectionIndex() const { return selection_.firstIndex(); }
    bool setSelectionIndex(std::int64_t index);
    bool setSelectedObjects(const Array& objects);

    bool avoidsEmptySelection() const { return avoidsEmptySelection_; }
    void setAvoidsEmptySelection(bool v) { avoidsEmptySelection_ = v; }
    bool preservesSelection() const { return preservesSelection_; }
    void setPreservesSelection(bool v) { preservesSelection_ = v; }
    bool selectsInsertedObjects() const { return selectsInsertedObjects_; }
    void setSelectsInsertedObjects(bool v) { selectsInsertedObjects_ = v; }

private:
    void replaceContent(const Array& content, const IndexSet& selectionAfter);
    IndexSet survivingSelection(const Array& oldContent, const Array& newContent) const;
    void changeSelection(const IndexSet& indexes);

    IndexSet selection_;
    bool explicitlyEmpty_ = false;
    bool avoidsEmptySelection_ = true;
    bool preservesSelection_ = true;
    bool selectsInsertedObjects_ = true;
};

} // namespace kit
