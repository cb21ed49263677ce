#include "kit/appkit/Pasteboard.h"

#include <QHash>
#include <QMimeData>

namespace kit {

Ref<Pasteboard> Pasteboard::pasteboardWithName(const QString& name)
{
    static QHash<QString, Ref<Pasteboard>> boards;
    Ref<Pasteboard>& board = boards[name];
    if (!board)
        board = make<Pasteboard>(name);
    return board;
}

std::int64_t Pasteboard::declareTypesOwner(const QStringList& types, Object*)
{
    types_ = types;
    data_.clear();
    items_.clear();
    return ++changeCount_;
}

QStringList Pasteboard::types() const
{
    if (types_.isEmpty() && !items_.empty())
        return items_.front()->types();
    return types_;
}

bool Pasteboard::writeObjects(const std::vector<Ref<PasteboardItem>>& items)
{
    for (const Ref<PasteboardItem>& item : items)
        if (!item)
            return false;
    items_.insert(items_.end(), items.begin(), items.end());
    ++changeCount_;
    return true;
}

bool Pasteboard::canReadItemWithDataConformingToTypes(const QStringList& types) const
{
    for (const QString& type : types)
        if (types_.contains(type))
            return true;
    for (const Ref<PasteboardItem>& item : items_)
        if (!item->availableTypeFromArray(types).isNull())
            return true;
    return false;
}

std::int64_t Pasteboard::clearContents() { return declareTypesOwner({}, nullptr); }

bool Pasteboard::setDataForType(const QByteArray& data, const QString& type)
{
    if (!types_.contains(type))
        types_.append(type);
    data_[type] = data;
    return true;
}

QByteArray Pasteboard::dataForType(const QString& type) const
{
    if (const auto it = data_.find(type); it != data_.end())
        return it->second;
    return types_.isEmpty() && !items_.empty() ? items_.front()->dataForType(type) : QByteArray();
}

bool Pasteboard::setStringForType(const QString& string, const QString& type) { return setDataForType(string.toUtf8(), type); }

QString Pasteboard::stringForType(const QString& type) const
{
    const QByteArray data = dataForType(type);
    return data.isNull() ? QString() : QString::fromUtf8(data);
}

QString Pasteboard::mimeTypeForType(const QString& type)
{
    if (type == QLatin1String("NSURLPboardType") || type == QLatin1String("public.url"))
        return QStringLiteral("text/uri-list");
    if (type == StringPboardType || type == QLatin1String("public.utf8-plain-text"))
        return QStringLiteral("text/plain");
    return QStringLiteral("application/x-kit-pasteboard;type=") + type;
}

std::unique_ptr<QMimeData> Pasteboard::mimeData() const
{
    auto data = std::make_unique<QMimeData>();
    for (const QString& type : types())
        data->setData(mimeTypeForType(type), dataForType(type));
    return data;
}

KIT_REGISTER_CLASS(Pasteboard, Object) { }

} // namespace kit
