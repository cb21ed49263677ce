#include "kit/appkit/Pasteboard.h"

#include "kit/appkit/PasteboardStore.h"
#include "kit/core/ProcessWide.h"
#include "kit/core/Value.h"
#include "kit/foundation/PropertyList.h"

#include <QHash>

namespace kit {

Ref<Pasteboard> Pasteboard::pasteboardWithUniqueName() { return sharedPasteboardWithName(PasteboardStore::uniqueName()); }

Ref<Pasteboard> Pasteboard::sharedPasteboardWithName(const QString& name)
{
    if (!PasteboardStore::escapedName(name))
        return nullptr;
    // Links release their pasteboards from destructors that may run at exit.
    static ProcessWide<QHash<QString, Ref<Pasteboard>>> shared;
    Ref<Pasteboard>& board = (*shared)[name];
    if (!board) {
        board = make<Pasteboard>(name);
        board->shared_ = true;
    }
    return board;
}

bool Pasteboard::setPropertyListForType(const Value& plist, const QString& type)
{
    const std::optional<QByteArray> data = PropertyList::dataFromPropertyList(plist);
    if (!data)
        return false;
    if (!shared_)
        return setDataForType(*data, type);
    PasteboardStore::Contents contents = PasteboardStore::read(name_).value_or(PasteboardStore::Contents {});
    if (!contents.types.contains(type))
        contents.types << type;
    contents.data[type] = *data;
    return PasteboardStore::write(name_, contents.types, contents.data) > 0;
}

std::optional<Value> Pasteboard::propertyListForType(const QString& type) const
{
    if (!shared_)
        return PropertyList::propertyListFromData(dataForType(type));
    const std::optional<PasteboardStore::Contents> contents = PasteboardStore::read(name_);
    if (!contents || !contents->data.contains(type))
        return std::nullopt;
    return PropertyList::propertyListFromData(contents->data.at(type));
}

void Pasteboard::releaseGlobally()
{
    if (shared_)
        PasteboardStore::remove(name_);
}

std::int64_t Pasteboard::sharedChangeCount() const { return PasteboardStore::changeCount(name_); }

} // namespace kit
