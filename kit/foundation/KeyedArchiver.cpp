#include "kit/foundation/KeyedArchiver.h"

#include "kit/core/Exception.h"
#include "kit/foundation/Json.h"

#include <cmath>

namespace kit {

KIT_REGISTER_CLASS(KeyedArchiver, Coder) { }

QString detail::archiveKey(const QString& key) { return key.startsWith(u'$') ? u'$' + key : key; }

namespace {

Value marker(const char* name, const Value& payload) { return Value(Dictionary { { Value(QString::fromLatin1(name)), payload } }); }

Value numbers(std::initializer_list<double> list)
{
    std::vector<Value> out;
    for (double d : list)
        out.emplace_back(d);
    return Value(Array(std::move(out)));
}

} // namespace

QByteArray KeyedArchiver::archivedDataWithRootObject(const Value& root)
{
    auto archiver = make<KeyedArchiver>();
    archiver->encodeObjectForKey(root, QStringLiteral("root"));
    archiver->finishEncoding();
    return archiver->encodedData();
}

KeyedArchiver::KeyedArchiver() = default;

void KeyedArchiver::setPlaceholderNameForObject(const QString& name, Object* object) { placeholders_[object] = name; }

void KeyedArchiver::put(const QString& key, const Value& json)
{
    if (stack_.empty())
        top_.setObjectForKey(json, Value(detail::archiveKey(key)));
    else
        records_[std::size_t(stack_.back())].keys.setObjectForKey(json, Value(detail::archiveKey(key)));
}

void KeyedArchiver::encodeObjectForKey(const Value& object, const QString& key)
{
    if (object.isNil())
        return; // a missing key decodes as nil
    put(key, encodeValue(object));
}

void KeyedArchiver::encodeConditionalObjectForKey(Object* object, const QString& key)
{
    if (!object)
        return;
    if (stack_.empty())
        topConditionals_.emplace_back(detail::archiveKey(key), object);
    else
        records_[std::size_t(stack_.back())].conditionals.emplace_back(detail::archiveKey(key), object);
}

std::int64_t KeyedArchiver::encodeObject(Object* object)
{
    auto known = uids_.find(object);
    if (known != uids_.end())
        return known->second;
    auto* coding = dynamic_cast<const Coding*>(object);
    if (!coding)
        Exception::raise(
            InvalidArchiveOperationException, QStringLiteral("%1 does not implement encodeWithCoder").arg(object->class_().name()));
    const auto uid = std::int64_t(records_.size());
    records_.push_back({ object->class_().name(), {}, {} });
    uids_.emplace(object, uid);
    // Registered before its keys, so references back to it (cycles) find it.
    stack_.push_back(uid);
    coding->encodeWithCoder(*this);
    stack_.pop_back();
    return uid;
}

Value KeyedArchiver::encodeValue(const Value& v)
{
    switch (v.kind()) {
    case Value::Kind::Nil:
        return Value::null();
    case Value::Kind::Null:
        return marker("$null", Value(true));
    case Value::Kind::Bool:
    case Value::Kind::Integer:
    case Value::Kind::String:
        return v;
    case Value::Kind::Real:
        if (!std::isfinite(v.doubleValue()))
            Exception::raise(InvalidArchiveOperationException, QStringLiteral("a non-finite number cannot be archived"));
        return v;
    case Value::Kind::Data:
        return marker("$data", Value(QString::fromLatin1(v.data().toBase64())));
    case Value::Kind::Date:
        return marker("$date", Value(v.date().timeIntervalSinceReferenceDate()));
    case Value::Kind::Array: {
        std::vector<Value> items;
        for (const Value& item : v.array())
            items.push_back(encodeValue(item));
        return Value(Array(std::move(items)));
    }
    case Value::Kind::Dictionary: {
        std::vector<Value> pairs;
        for (const auto& [key, item] : v.dictionary()) {
            pairs.push_back(encodeValue(key));
            pairs.push_back(encodeValue(item));
        }
        return marker("$dict", Value(Array(std::move(pairs))));
    }
    case Value::Kind::Set: {
        std::vector<Value> items;
        for (const Value& item : v.set())
            items.push_back(encodeValue(item));
        return marker("$set", Value(Array(std::move(items))));
    }
    case Value::Kind::Object: {
        Ref<Object> o = v.object();
        auto ph = placeholders_.find(o.get());
        if (ph != placeholders_.end())
            return marker("$placeholder", Value(ph->second));
        return marker("$ref", Value(encodeObject(o.get())));
    }
    case Value::Kind::Point:
        return marker("$point", numbers({ v.pointValue().x, v.pointValue().y }));
    case Value::Kind::Size:
        return marker("$size", numbers({ v.sizeValue().width, v.sizeValue().height }));
    case Value::Kind::Rect: {
        const Rect r = v.rectValue();
        return marker("$rect", numbers({ r.origin.x, r.origin.y, r.size.width, r.size.height }));
    }
    case Value::Kind::Range: {
        const Range r = v.rangeValue();
        return marker("$range", Value(Array { Value(r.location), Value(r.length) }));
    }
    case Value::Kind::AffineTransform: {
        std::vector<Value> items;
        for (double d : v.affineTransformElements())
            items.emplace_back(d);
        return marker("$affine", Value(Array(std::move(items))));
    }
    case Value::Kind::Transform3D: {
        std::vector<Value> items;
        for (double d : v.transform3DElements())
            items.emplace_back(d);
        return marker("$transform3D", Value(Array(std::move(items))));
    }
    case Value::Kind::IndexSet: {
        std::vector<Value> ranges;
        for (const Range& r : v.indexSet().ranges())
            ranges.emplace_back(Array { Value(r.location), Value(r.length) });
        return marker("$indexes", Value(Array(std::move(ranges))));
    }
    case Value::Kind::Marker:
        break;
    }
    Exception::raise(InvalidArchiveOperationException, QStringLiteral("%1 cannot be archived").arg(v.description()));
}

void KeyedArchiver::finishEncoding()
{
    auto resolve = [&](Dictionary& keys, const std::vector<std::pair<QString, const Object*>>& conditionals) {
        for (const auto& [key, object] : conditionals) {
            auto it = uids_.find(object);
            if (it != uids_.end())
                keys.setObjectForKey(marker("$ref", Value(it->second)), Value(key));
        }
    };
    resolve(top_, topConditionals_);
    std::vector<Value> objects;
    for (Record& r : records_) {
        resolve(r.keys, r.conditionals);
        Dictionary json { { Value("$class"), Value(r.className) } };
        json.addEntriesFromDictionary(r.keys);
        objects.emplace_back(json);
    }
    const Dictionary archive { { Value("$archiver"), Value("KeyedArchiver") }, { Value("$version"), Value(1) },
        { Value("$top"), Value(top_) }, { Value("$objects"), Value(Array(std::move(objects))) } };
    data_ = Json::write(Value(archive), nullptr, true).value_or(QByteArray());
}

} // namespace kit
