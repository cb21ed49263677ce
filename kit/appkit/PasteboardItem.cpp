#include "kit/appkit/PasteboardItem.h"

namespace kit {

bool PasteboardItem::setDataForType(const QByteArray& data, const QString& type)
{
    if (!types_.contains(type))
        types_.append(type);
    data_[type] = data;
    return true;
}

QByteArray PasteboardItem::dataForType(const QString& type) const
{
    const auto it = data_.find(type);
    return it == data_.end() ? QByteArray() : it->second;
}

bool PasteboardItem::setStringForType(const QString& string, const QString& type) { return setDataForType(string.toUtf8(), type); }

QString PasteboardItem::stringForType(const QString& type) const
{
    const auto it = data_.find(type);
    return it == data_.end() ? QString() : QString::fromUtf8(it->second);
}

QString PasteboardItem::availableTypeFromArray(const QStringList& types) const
{
    for (const QString& type : types)
        if (types_.contains(type))
            return type;
    return {};
}

KIT_REGISTER_CLASS(PasteboardItem, Object) { }

} // namespace kit
