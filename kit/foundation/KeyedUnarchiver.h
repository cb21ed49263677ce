#pragma once

// Reads the kit's archive JSON (see KeyedArchiver.h). Archives may come from other processes or
// files a user edits, so reading never crashes: unknown classes, dangling references, wrong kinds,
// loops, absurd nesting and truncated text give nil or defaults and an error. Each archived object
// is made once (shared references stay shared) by its class's plain factory and then given its
// keys through initWithCoder; cycles resolve to that object.

#include "kit/foundation/Coder.h"

#include <QByteArray>

#include <map>
#include <optional>
#include <vector>

namespace kit {

class KeyedUnarchiver : public Coder {
    KIT_CLASS(KeyedUnarchiver)

    // The root value, or nil (with a log line) when the archive cannot be read.
    static Value unarchiveObjectWithData(const QByteArray& data);
    static Value unarchiveTopLevelObjectWithDataError(const QByteArray& data, QString* error);
    // Strict reading of untrusted data: the root must be an object of `cls`, only `cls` and its
    // subclasses may appear in the archive, and no reference may form a cycle. Null and `error`
    // otherwise.
    static Ref<Object> unarchivedObjectOfClass(const Class& cls, const QByteArray& data, QString* error);
    // Strict reading of a value kind (an index set from a drag, say).
    static std::optional<Value> unarchivedValueOfKind(Value::Kind kind, const QByteArray& data, QString* error);

    explicit KeyedUnarchiver(const QByteArray& data);

    // False when the data is no archive; the error says why.
    bool isValid() const { return valid_; }
    // Objects the archive names instead of containing (an interface file's owner).
    void setObjectForPlaceholderName(const QString& name, Object* object);
    // Only these classes (and their subclasses) may be made; empty = any registered class.
    void setAllowedClasses(std::vector<const Class*> classes) { allowed_ = std::move(classes); }
    // With cycles refused, a reference back to an object still being decoded is an error, so
    // untrusted data cannot build a reference cycle that would never be freed.
    void setAllowsCycles(bool allows) { allowsCycles_ = allows; }

    bool containsValueForKey(const QString& key) const override;
    Value decodeObjectForKey(const QString& key) override;
    QString error() const override { return error_; }
    void failWithError(const QString& error) override;

    // The raw JSON under a key of "$top", and the decoding of such raw JSON (interface files keep
    // their connection records there).
    Value topLevelJsonForKey(const QString& key) const { return top_.objectForKey(Value(key)); }
    Value decodeJson(const Value& json) { return decodeValue(json, 0); }

    // Every object made so far, in archive order.
    std::vector<Ref<Object>> decodedObjects() const;
    // Decodes every object of the archive (those no key reaches included).
    void decodeAllObjects();

protected:
    Value decodeObjectAdmittingClassForKey(const Class& cls, const QString& key) override;

private:
    enum class State : char { Untouched, InProgress, Done, Failed };

    Value decodeValue(const Value& json, int depth);
    Value objectForUid(std::int64_t uid, int depth);
    bool classAllowed(const Class& cls) const;
    const Value* currentKeys() const;

    bool valid_ = false;
    QString error_;
    Dictionary top_;
    Array objects_;
    std::vector<Ref<Object>> decoded_;
    std::vector<State> state_;
    std::vector<std::int64_t> stack_;
    std::map<QString, Ref<Object>> placeholders_;
    std::vector<const Class*> allowed_;
    int depth_ = 0;
    bool allowsCycles_ = true;
};

} // namespace kit
