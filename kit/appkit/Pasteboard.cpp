#include "kit/appkit/Pasteboard.h"

#include "kit/core/ProcessWide.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QMimeData>

namespace kit {

Ref<Pasteboard> Pasteboard::pasteboardWithName(const QString& name)
{
    static ProcessWide<QHash<QString, Ref<Pasteboard>>> boards;
    Ref<Pasteboard>& board = (*boards)[name];
    if (!board)
        board = make<Pasteboard>(name);
    return board;
}

bool Pasteboard::sharesClipboardText() const { return name_ == GeneralPboard && QGuiApplication::clipboard(); }

std::int64_t Pasteboard::declareTypesOwner(const QStringList& types, Object*)
{
    if (sharesClipboardText())
        QGuiApplication::clipboard()->clear();
    types_ = types;
    data_.clear();
    items_.clear();
    return ++changeCount_;
}

QStringList Pasteboard::types() const
{
    // Text another application put on the clipboard reads as a string.
    if (sharesClipboardText() && types_.isEmpty() && items_.empty() && !QGuiApplication::clipboard()->text().isEmpty())
        return { StringPboardType };
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
    const QStringList declared = this->types();
    for (const QString& type : types)
        if (declared.contains(type))
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
    if (type == StringPboardType && sharesClipboardText())
        QGuiApplication::clipboard()->setText(QString::fromUtf8(data));
    return true;
}

QByteArray Pasteboard::dataForType(const QString& type) const
{
    if (type == StringPboardType && sharesClipboardText()) {
        const QString text = QGuiApplication::clipboard()->text();
        return text.isEmpty() ? QByteArray() : text.toUtf8();
    }
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
    if (type == URLPboardType || type == QLatin1String("public.url"))
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

bool writeURLToPasteboard(const QUrl& url, Pasteboard* pasteboard)
{
    if (!pasteboard || !url.isValid() || url.isEmpty())
        return false;
    return pasteboard->setDataForType(url.toEncoded() + QByteArrayLiteral("\r\n"), URLPboardType);
}

QUrl URLFromPasteboard(const Pasteboard* pasteboard)
{
    if (!pasteboard)
        return {};
    // text/uri-list: one URL per line, '#' starts a comment.
    const QList<QByteArray> lines = pasteboard->dataForType(URLPboardType).split('\n');
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (!line.isEmpty() && !line.startsWith('#'))
            return QUrl::fromEncoded(line);
    }
    return {};
}

KIT_REGISTER_CLASS(Pasteboard, Object) { }

} // namespace kit
