#pragma once

// A named pasteboard of typed data: declare types, put and get data or strings, read the types
// back; or write items, which stay the objects they are inside the application. Drags that leave
// the application carry its contents as MIME data.

#include "kit/appkit/PasteboardItem.h"
#include "kit/core/Class.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class QMimeData;

namespace kit {

inline const QString DragPboard = QStringLiteral("NSDragPboard");
inline const QString GeneralPboard = QStringLiteral("NSGeneralPboard");
inline const QString StringPboardType = QStringLiteral("NSStringPboardType");
// Carried between applications as text/uri-list.
inline const QString URLPboardType = QStringLiteral("NSURLPboardType");

class Pasteboard : public Object {
    KIT_CLASS(Pasteboard)

    explicit Pasteboard(QString name = {})
        : name_(std::move(name))
    { }

    // One pasteboard per name for the life of the process.
    static Ref<Pasteboard> pasteboardWithName(const QString& name);
    // "NSGeneralPboard": its plain strings are the system clipboard's text, both ways.
    static Ref<Pasteboard> generalPasteboard() { return pasteboardWithName(GeneralPboard); }

    QString name() const { return name_; }
    // Replaces the contents; answers the change count.
    std::int64_t declareTypesOwner(const QStringList& types, Object* owner);
    std::int64_t clearContents();
    QStringList types() const;
    bool setDataForType(const QByteArray& data, const QString& type);
    QByteArray dataForType(const QString& type) const;
    bool setStringForType(const QString& string, const QString& type);
    QString stringForType(const QString& type) const;
    std::int64_t changeCount() const { return shared_ ? sharedChangeCount() : changeCount_; }

    // Adds items after what is there (clearContents first to replace). The declared types and
    // data above read the first item when nothing was declared.
    bool writeObjects(const std::vector<Ref<PasteboardItem>>& items);
    std::vector<Ref<PasteboardItem>> pasteboardItems() const { return items_; }
    // Whether the declared types or any item has one of `types`.
    bool canReadItemWithDataConformingToTypes(const QStringList& types) const;

    // The MIME type a pasteboard type travels as between applications.
    static QString mimeTypeForType(const QString& type);
    // Every type's data under its MIME type, in the declared order.
    std::unique_ptr<QMimeData> mimeData() const;

    // --- Across processes (kit/appkit/PasteboardShared.cpp). Their contents live in the
    // pasteboard store, where another process reads them by name; the change count is the store's.
    static Ref<Pasteboard> pasteboardWithUniqueName();
    // The store's pasteboard of a name that may come from another process; null when the name
    // is not valid there.
    static Ref<Pasteboard> sharedPasteboardWithName(const QString& name);
    bool isShared() const { return shared_; }
    // The property list in the kit's JSON form, replacing that type in the store.
    bool setPropertyListForType(const Value& plist, const QString& type);
    std::optional<Value> propertyListForType(const QString& type) const;
    // Removes the contents from the store, for every process.
    void releaseGlobally();

private:
    bool sharesClipboardText() const;
    std::int64_t sharedChangeCount() const;

    bool shared_ = false;
    QString name_;
    QStringList types_;
    std::map<QString, QByteArray> data_;
    std::vector<Ref<PasteboardItem>> items_;
    std::int64_t changeCount_ = 0;
};

// Writes one URL under URLPboardType as a text/uri-list line, adding the type when it was not
// declared; answers NO for an invalid URL (nothing written).
bool writeURLToPasteboard(const QUrl& url, Pasteboard* pasteboard);
// The first URL under URLPboardType; an invalid URL when there is none.
QUrl URLFromPasteboard(const Pasteboard* pasteboard);

} // namespace kit
