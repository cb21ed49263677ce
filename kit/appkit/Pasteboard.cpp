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
    return ++changeCount_;
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
    auto it = data_.find(type);
    return it == data_.end() ? QByteArray() : it->second;
}

bool Pasteboard::setStringForType(const QString& string, const QString& type) { return setDataForType(string.toUtf8(), type); }

QString Pasteboard::stringForType(const QString& type) const
{
    auto it = data_.find(type);
    return it == data_.end() ? QString() : QString::fromUtf8(it->second);
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
    for (const QString& type : types_)
        data->setData(mimeTypeForType(type), dataForType(type));
    return data;
}

KIT_REGISTER_CLASS(Pasteboard, Object) { }

} // namespace kit
