#pragma once

// Writes an object graph as the kit's archive JSON:
//   {"$archiver": "KeyedArchiver", "$version": 1, "$top": {"root": <value>},
//    "$objects": [{"$class": "Name", "<key>": <value>, ...}, ...]}
// An object appears once in "$objects" and is referred to as {"$ref": <index>}; other values are
// JSON scalars, arrays, or one-key marker objects ("$data", "$date", "$null", "$dict", "$set",
// "$indexes", "$rect", "$point", "$size", "$range", "$affine", "$transform3D", "$placeholder").

#include "kit/foundation/Coder.h"

#include <QByteArray>

#include <unordered_map>
#include <vector>

namespace kit {

class KeyedArchiver : public Coder {
    KIT_CLASS(KeyedArchiver)

    // The archive of `root` (an object or any value).
    static QByteArray archivedDataWithRootObject(const Value& root);

    KeyedArchiver();

    void encodeObjectForKey(const Value& object, const QString& key) override;
    void encodeConditionalObjectForKey(Object* object, const QString& key) override;

    // Objects that live outside the archive (an interface file's owner) are written by name.
    void setPlaceholderNameForObject(const QString& name, Object* object);

    void finishEncoding();
    QByteArray encodedData() const { return data_; }

private:
    struct Record {
        QString className;
        Dictionary keys;
        std::vector<std::pair<QString, const Object*>> conditionals;
    };

    Value encodeValue(const Value& value);
    std::int64_t encodeObject(Object* object);
    void put(const QString& key, const Value& json);

    std::vector<Record> records_;
    std::unordered_map<const Object*, std::int64_t> uids_;
    std::unordered_map<const Object*, QString> placeholders_;
    std::vector<std::int64_t> stack_;
    Dictionary top_;
    std::vector<std::pair<QString, const Object*>> topConditionals_;
    QByteArray data_;
};

namespace detail {
// Archive keys that begin with "$" are written with one more "$".
QString archiveKey(const QString& key);
} // namespace detail

} // namespace kit
