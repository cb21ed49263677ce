#include "kit/foundation/KeyedUnarchiver.h"

#include "kit/core/Exception.h"
#include "kit/foundation/Json.h"
#include "kit/foundation/KeyedArchiver.h"

#include <cmath>

namespace kit {

KIT_REGISTER_CLASS(KeyedUnarchiver, Coder) { c.noFactory(); }

namespace {

// Deeper than any real archive; a hostile chain of objects stops here instead of the stack.
constexpr int maxDepth = 200;

std::optional<std::vector<double>> numberArray(const Value& v, std::size_t count)
{
    if (!v.isArray() || std::size_t(v.array().count()) != count)
        return std::nullopt;
    std::vector<double> out;
    for (const Value& item : v.array()) {
        if (!item.isNumber() || item.kind() == Value::Kind::Bool || !std::isfinite(item.doubleValue()))
            return std::nullopt;
        out.push_back(item.kind() == Value::Kind::Integer ? double(item.integerValue()) : item.doubleValue());
    }
    return out;
}

std::optional<Range> rangeOf(const Value& v)
{
    if (!v.isArray() || v.array().count() != 2)
        return std::nullopt;
    const Value& loc = v.array()[0];
    const Value& len = v.array()[1];
    if (loc.kind() != Value::Kind::Integer || len.kind() != Value::Kind::Integer)
        return std::nullopt;
    const std::int64_t l = loc.integerValue(), n = len.integerValue();
    if (l < 0 || n < 0 || l >= NotFound || n > NotFound - 1 - l)
        return std::nullopt;
    return Range { l, n };
}

} // namespace

KeyedUnarchiver::KeyedUnarchiver(const QByteArray& data)
{
    QString error;
    auto json = Json::read(data, &error);
    if (!json) {
        failWithError(error);
        return;
    }
    if (!json->isDictionary()) {
        failWithError(QStringLiteral("the archive is not a JSON object"));
        return;
    }
    const Dictionary& d = json->dictionary();
    const Value top = d.objectForKey(Value("$top"));
    const Value objects = d.objectForKey(Value("$objects"));
    if (d.objectForKey(Value("$archiver")) != Value("KeyedArchiver") || !top.isDictionary() || (!objects.isNil() && !objects.isArray())) {
        failWithError(QStringLiteral("the data is not a keyed archive"));
        return;
    }
    top_ = top.dictionary();
    objects_ = objects.isArray() ? objects.array() : Array();
    decoded_.resize(std::size_t(objects_.count()));
    state_.resize(std::size_t(objects_.count()), State::Untouched);
    valid_ = true;
}

void KeyedUnarchiver::failWithError(const QString& error)
{
    if (error_.isEmpty())
        error_ = error;
}

void KeyedUnarchiver::setObjectForPlaceholderName(const QString& name, Object* object) { placeholders_[name] = object; }

bool KeyedUnarchiver::classAllowed(const Class& cls) const
{
    if (allowed_.empty())
        return true;
    for (const Class* a : allowed_)
        if (cls.isSubclassOfClass(*a))
            return true;
    return false;
}

const Value* KeyedUnarchiver::currentKeys() const
{
    if (stack_.empty())
        return nullptr;
    return &objects_[stack_.back()];
}

bool KeyedUnarchiver::containsValueForKey(const QString& key) const
{
    if (!valid_)
        return false;
    const Value k(detail::archiveKey(key));
    if (const Value* keys = currentKeys())
        return keys->dictionary().containsKey(k);
    return top_.containsKey(k);
}

Value KeyedUnarchiver::decodeObjectForKey(const QString& key)
{
    if (!valid_)
        return {};
    const Value k(detail::archiveKey(key));
    const Value json = currentKeys() ? currentKeys()->dictionary().objectForKey(k) : top_.objectForKey(k);
    if (json.isNil())
        return {};
    return decodeValue(json, depth_);
}

Value KeyedUnarchiver::decodeObjectAdmittingClassForKey(const Class& cls, const QString& key)
{
    if (allowed_.empty())
        return decodeObjectForKey(key);
    allowed_.push_back(&cls);
    struct Pop {
        std::vector<const Class*>& allowed;
        ~Pop() { allowed.pop_back(); }
    } pop { allowed_ };
    return decodeObjectForKey(key);
}

Value KeyedUnarchiver::decodeValue(const Value& json, int depth)
{
    if (depth > maxDepth) {
        failWithError(QStringLiteral("the archive nests too deeply"));
        return {};
    }
    switch (json.kind()) {
    case Value::Kind::Null:
        return {};
    case Value::Kind::Bool:
    case Value::Kind::Integer:
    case Value::Kind::Real:
    case Value::Kind::String:
        return json;
    case Value::Kind::Array: {
        std::vector<Value> items;
        for (const Value& item : json.array()) {
            Value v = decodeValue(item, depth + 1);
            // Collections hold no nil: a member that failed to decode is left out.
            if (!v.isNil())
                items.push_back(std::move(v));
        }
        return Value(Array(std::move(items)));
    }
    case Value::Kind::Dictionary:
        break;
    default:
        failWithError(QStringLiteral("unexpected value in the archive"));
        return {};
    }
    const Dictionary& d = json.dictionary();
    if (d.count() != 1) {
        failWithError(QStringLiteral("an archived value has more than one marker"));
        return {};
    }
    const auto& [markerKey, payload] = *d.begin();
    const QString m = markerKey.string();
    if (m == u"$ref") {
        if (payload.kind() != Value::Kind::Integer) {
            failWithError(QStringLiteral("a reference is not an integer"));
            return {};
        }
        return objectForUid(payload.integerValue(), depth + 1);
    }
    if (m == u"$placeholder") {
        auto it = payload.isString() ? placeholders_.find(payload.string()) : placeholders_.end();
        if (it == placeholders_.end()) {
            failWithError(QStringLiteral("unknown placeholder %1").arg(payload.stringValue()));
            return {};
        }
        return Value(it->second);
    }
    if (m == u"$null")
        return Value::null();
    if (m == u"$data") {
        auto decoded = payload.isString()
            ? QByteArray::fromBase64Encoding(payload.string().toLatin1(), QByteArray::AbortOnBase64DecodingErrors)
            : QByteArray::FromBase64Result { {}, QByteArray::Base64DecodingStatus::IllegalCharacter };
        if (!decoded) {
            failWithError(QStringLiteral("bad data in the archive"));
            return {};
        }
        return Value(*decoded);
    }
    if (m == u"$date") {
        if (!payload.isNumber() || payload.kind() == Value::Kind::Bool) {
            failWithError(QStringLiteral("bad date in the archive"));
            return {};
        }
        return Value(Date(payload.doubleValue()));
    }
    if (m == u"$dict" || m == u"$set") {
        if (!payload.isArray() || (m == u"$dict" && payload.array().count() % 2 != 0)) {
            failWithError(QStringLiteral("bad collection in the archive"));
            return {};
        }
        if (m == u"$set") {
            Set s;
            for (const Value& item : payload.array()) {
                Value v = decodeValue(item, depth + 1);
                if (!v.isNil())
                    s.addObject(v);
            }
            return Value(s);
        }
        Dictionary out;
        const Array& pairs = payload.array();
        for (std::int64_t i = 0; i + 1 < pairs.count(); i += 2) {
            Value k = decodeValue(pairs[i], depth + 1);
            Value v = decodeValue(pairs[i + 1], depth + 1);
            if (!k.isNil() && !v.isNil())
                out.setObjectForKey(v, k);
        }
        return Value(out);
    }
    if (m == u"$indexes") {
        if (!payload.isArray()) {
            failWithError(QStringLiteral("bad index set in the archive"));
            return {};
        }
        MutableIndexSet set;
        for (const Value& item : payload.array()) {
            auto r = rangeOf(item);
            if (!r) {
                failWithError(QStringLiteral("bad index range in the archive"));
                return {};
            }
            set.addIndexesInRange(*r);
        }
        return Value(IndexSet(set));
    }
    if (m == u"$range") {
        auto r = rangeOf(payload);
        if (!r) {
            failWithError(QStringLiteral("bad range in the archive"));
            return {};
        }
        return Value(*r);
    }
    struct Geometry {
        const char* name;
        std::size_t count;
    };
    for (const Geometry g : { Geometry { "$point", 2 }, Geometry { "$size", 2 }, Geometry { "$rect", 4 }, Geometry { "$affine", 6 },
             Geometry { "$transform3D", 16 } }) {
        if (m != QLatin1String(g.name))
            continue;
        auto n = numberArray(payload, g.count);
        if (!n) {
            failWithError(QStringLiteral("bad %1 in the archive").arg(m));
            return {};
        }
        const auto& a = *n;
        if (g.count == 2)
            return m == u"$point" ? Value(MakePoint(a[0], a[1])) : Value(MakeSize(a[0], a[1]));
        if (g.count == 4)
            return Value(MakeRect(a[0], a[1], a[2], a[3]));
        if (g.count == 6)
            return Value::affineTransform({ a[0], a[1], a[2], a[3], a[4], a[5] });
        Transform3DElements t {};
        std::copy(a.begin(), a.end(), t.begin());
        return Value::transform3D(t);
    }
    failWithError(QStringLiteral("unknown marker %1 in the archive").arg(m));
    return {};
}

Value KeyedUnarchiver::objectForUid(std::int64_t uid, int depth)
{
    if (uid < 0 || uid >= objects_.count()) {
        failWithError(QStringLiteral("reference %1 points outside the archive").arg(uid));
        return {};
    }
    const auto i = std::size_t(uid);
    switch (state_[i]) {
    case State::Done:
        return Value(decoded_[i]);
    case State::Failed:
        return {};
    case State::InProgress:
        // A cycle: the object exists already when it was made by its factory.
        if (decoded_[i] && allowsCycles_)
            return Value(decoded_[i]);
        failWithError(allowsCycles_ ? QStringLiteral("reference cycle through an object made from its keys")
                                    : QStringLiteral("reference cycle in an untrusted archive"));
        return {};
    case State::Untouched:
        break;
    }
    if (depth > maxDepth) {
        failWithError(QStringLiteral("the archive nests too deeply"));
        return {};
    }
    const Value& json = objects_[uid];
    const QString className = json.isDictionary() ? json.dictionary().objectForKey(Value("$class")).stringValue() : QString();
    const Class* cls = className.isEmpty() ? nullptr : classFromString(className);
    if (!cls || !classAllowed(*cls)) {
        failWithError(cls ? QStringLiteral("class %1 is not allowed here").arg(className)
                          : QStringLiteral("cannot decode object of class (%1)").arg(className));
        state_[i] = State::Failed;
        return {};
    }
    state_[i] = State::InProgress;
    stack_.push_back(uid);
    const int savedDepth = depth_;
    depth_ = depth;
    Ref<Object> object;
    try {
        if (cls->canMake()) {
            object = cls->make();
            if (auto* coding = dynamic_cast<Coding*>(object.get())) {
                decoded_[i] = object;
                coding->initWithCoder(*this);
            } else {
                object = nullptr;
            }
        }
        if (!object)
            object = cls->makeWithCoder(*this);
    } catch (const Exception& e) {
        failWithError(QStringLiteral("decoding %1 raised %2: %3").arg(className, e.name(), e.reason()));
        object = nullptr;
    } catch (const std::exception& e) {
        failWithError(QStringLiteral("decoding %1 failed: %2").arg(className, QString::fromUtf8(e.what())));
        object = nullptr;
    }
    depth_ = savedDepth;
    stack_.pop_back();
    if (!object) {
        if (error_.isEmpty())
            failWithError(QStringLiteral("class %1 cannot be decoded").arg(className));
        decoded_[i] = nullptr;
        state_[i] = State::Failed;
        return {};
    }
    decoded_[i] = object;
    state_[i] = State::Done;
    return Value(object);
}

std::vector<Ref<Object>> KeyedUnarchiver::decodedObjects() const
{
    std::vector<Ref<Object>> out;
    for (std::size_t i = 0; i < decoded_.size(); ++i)
        if (state_[i] == State::Done)
            out.push_back(decoded_[i]);
    return out;
}

void KeyedUnarchiver::decodeAllObjects()
{
    for (std::int64_t uid = 0; uid < objects_.count(); ++uid)
        objectForUid(uid, 0);
}

Value KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(const QByteArray& data, QString* error)
{
    auto u = make<KeyedUnarchiver>(data);
    Value root = u->decodeObjectForKey(QStringLiteral("root"));
    if (!u->error().isEmpty()) {
        if (error)
            *error = u->error();
        return {};
    }
    return root;
}

Value KeyedUnarchiver::unarchiveObjectWithData(const QByteArray& data)
{
    QString error;
    Value root = unarchiveTopLevelObjectWithDataError(data, &error);
    if (!error.isEmpty())
        kit::log(QStringLiteral("*** -[KeyedUnarchiver unarchiveObjectWithData]: %@"), error);
    return root;
}

Ref<Object> KeyedUnarchiver::unarchivedObjectOfClass(const Class& cls, const QByteArray& data, QString* error)
{
    auto u = make<KeyedUnarchiver>(data);
    u->setAllowedClasses({ &cls });
    u->setAllowsCycles(false);
    Value root = u->decodeObjectForKey(QStringLiteral("root"));
    Ref<Object> object = root.object();
    if (u->error().isEmpty() && (!object || !object->isKindOfClass(cls)))
        u->failWithError(QStringLiteral("the archive's root is not of class %1").arg(cls.name()));
    if (!u->error().isEmpty()) {
        if (error)
            *error = u->error();
        return nullptr;
    }
    return object;
}

std::optional<Value> KeyedUnarchiver::unarchivedValueOfKind(Value::Kind kind, const QByteArray& data, QString* error)
{
    auto u = make<KeyedUnarchiver>(data);
    // No objects at all: a value archive that names a class is refused.
    u->setAllowedClasses({ &KeyedUnarchiver::staticClass() });
    Value root = u->decodeObjectForKey(QStringLiteral("root"));
    if (u->error().isEmpty() && root.kind() != kind)
        u->failWithError(QStringLiteral("the archive's root has the wrong kind"));
    if (!u->error().isEmpty()) {
        if (error)
            *error = u->error();
        return std::nullopt;
    }
    return root;
}

} // namespace kit
