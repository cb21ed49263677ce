#pragma once

// One item on a pasteboard: typed data of its own. Items written to a pasteboard inside the
// application are kept as the objects they are, so a subclass's fields (a dragged tab's source)
// travel with them.

#include "kit/core/Class.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>

namespace kit {

class PasteboardItem : public Object {
    KIT_CLASS(PasteboardItem)

    // In the order first set.
    QStringList types() const { return types_; }
    bool setDataForType(const QByteArray& data, const QString& type);
    QByteArray dataForType(const QString& type) const;
    bool setStringForType(const QString& string, const QString& type);
    QString stringForType(const QString& type) const;
    // The first of `types` the item has, or a null string.
    QString availableTypeFromArray(const QStringList& types) const;

private:
    QStringList types_;
    std::map<QString, QByteArray> data_;
};

} // namespace kit
