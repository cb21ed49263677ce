#include "kit/foundation/NibLoader.h"

#include "kit/core/Class.h"
#include "kit/core/Exception.h"
#include "kit/core/Selector.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/KeyedUnarchiver.h"

#include <QFile>

#include <vector>

namespace kit {

namespace {

Weak<Object>& applicationObject()
{
    static Weak<Object> app;
    return app;
}

struct Outlet {
    Ref<Object> source;
    QString key;
    Value destination;
};

struct NibAction {
    Ref<Object> source;
    QString selector;
    Ref<Object> target; // null: the first responder
};

struct BindingRecord {
    Ref<Object> source;
    QString binding;
    Ref<Object> observable;
    QString keyPath;
    Dictionary options;
};

bool hasSettableKey(const Object& object, const QString& key)
{
    const PropertyInfo* p = object.class_().property(key);
    return (p && p->set) || object.class_().storesUndefinedKeys();
}

void awake(Object& object)
{
    if (auto* a = dynamic_cast<NibAwaking*>(&object))
        a->awakeFromNib();
    else if (object.respondsToSelector(Selector("awakeFromNib")))
        object.performSelector(Selector("awakeFromNib"));
}

} // namespace

void NibLoader::setApplicationObject(Object* application) { applicationObject() = application; }

bool NibLoader::loadInterfaceFile(const QString& path, Object* owner, Array* topLevelObjects, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString message = QStringLiteral("Could not open the interface file %1").arg(path);
        kit::log(QStringLiteral("%@"), message);
        if (error)
            *error = message;
        return false;
    }
    return loadInterfaceData(file.readAll(), path, owner, topLevelObjects, error);
}

bool NibLoader::loadInterfaceData(const QByteArray& data, const QString& name, Object* owner, Array* topLevelObjects, QString* error)
{
    auto unarchiver = make<KeyedUnarchiver>(data);
    QString problem;
    auto fail = [&](const QString& what) {
        if (problem.isEmpty())
            problem = what;
    };
    if (!unarchiver->isValid())
        fail(unarchiver->error());
    if (owner)
        unarchiver->setObjectForPlaceholderName(NibOwnerPlaceholder, owner);
    if (auto app = applicationObject().lock())
        unarchiver->setObjectForPlaceholderName(NibApplicationPlaceholder, app.get());

    auto objectOf = [&](const Value& json, const char* role, const QString& where) -> Ref<Object> {
        if (json.isDictionary() && json.dictionary().objectForKey(Value("$placeholder")) == Value(NibFirstResponderPlaceholder))
            return nullptr;
        const Value v = unarchiver->decodeJson(json);
        Ref<Object> o = v.object();
        if (!o)
            fail(QStringLiteral("%1 of %2 is not an object (%3)").arg(QLatin1String(role), where, unarchiver->error()));
        return o;
    };
    auto records = [&](const char* key) {
        const Value v = unarchiver->topLevelJsonForKey(QString::fromLatin1(key));
        if (!v.isNil() && !v.isArray())
            fail(QStringLiteral("\"%1\" is not a list").arg(QLatin1String(key)));
        return v.isArray() ? v.array() : Array();
    };
    auto field = [](const Value& record, const char* key) { return record.dictionary().objectForKey(Value(QString::fromLatin1(key))); };

    // (1) Objects, all of them, before any connection.
    std::vector<Ref<Object>> topLevel;
    std::vector<Outlet> outlets;
    std::vector<NibAction> actions;
    std::vector<BindingRecord> bindings;
    if (problem.isEmpty()) {
        unarchiver->decodeAllObjects();
        if (!unarchiver->error().isEmpty())
            fail(unarchiver->error());
    }
    if (problem.isEmpty()) {
        for (const Value& json : records("objects"))
            if (Ref<Object> o = objectOf(json, "top-level object", QStringLiteral("the file")))
                topLevel.push_back(o);
        for (const Value& r : records("outlets")) {
            const QString key = field(r, "key").stringValue();
            Ref<Object> source = objectOf(field(r, "source"), "source", QStringLiteral("outlet %1").arg(key));
            const Value destination = unarchiver->decodeJson(field(r, "destination"));
            if (!unarchiver->error().isEmpty())
                fail(unarchiver->error());
            if (source && !hasSettableKey(*source, key))
                fail(QStringLiteral("%1 has no outlet %2").arg(source->class_().name(), key));
            outlets.push_back({ source, key, destination });
        }
        for (const Value& r : records("actions")) {
            const QString selector = field(r, "selector").stringValue();
            Ref<Object> source = objectOf(field(r, "source"), "source", QStringLiteral("action %1").arg(selector));
            Ref<Object> target;
            const Value t = field(r, "target");
            if (!t.isNil() && !t.isNull())
                target = objectOf(t, "target", QStringLiteral("action %1").arg(selector));
            if (selector.isEmpty())
                fail(QStringLiteral("an action without a selector"));
            if (source && (!hasSettableKey(*source, QStringLiteral("target")) || !hasSettableKey(*source, QStringLiteral("action"))))
                fail(QStringLiteral("%1 cannot send actions").arg(source->class_().name()));
            actions.push_back({ source, selector, target });
        }
        for (const Value& r : records("bindings")) {
            const QString binding = field(r, "binding").stringValue();
            Ref<Object> source = objectOf(field(r, "source"), "source", QStringLiteral("binding %1").arg(binding));
            Ref<Object> observable = objectOf(field(r, "observable"), "observable", QStringLiteral("binding %1").arg(binding));
            const Value options = field(r, "options").isNil() ? Value() : unarchiver->decodeJson(field(r, "options"));
            if (!unarchiver->error().isEmpty())
                fail(unarchiver->error());
            const QString keyPath = field(r, "keyPath").stringValue();
            if (binding.isEmpty() || keyPath.isEmpty())
                fail(QStringLiteral("a binding without a name or key path"));
            bindings.push_back({ source, binding, observable, keyPath, options.dictionary() });
        }
    }
    if (!problem.isEmpty()) {
        const QString message = QStringLiteral("Could not load the interface file %1: %2").arg(name, problem);
        kit::log(QStringLiteral("%@"), message);
        if (error)
            *error = message;
        return false;
    }

    try {
        // (2) Outlets and actions, (3) bindings, (4) awakeFromNib, owner last.
        for (const Outlet& o : outlets)
            o.source->setValueForKey(o.destination, o.key);
        for (const NibAction& a : actions) {
            a.source->setValueForKey(Value(a.target), QStringLiteral("target"));
            a.source->setValueForKey(Value(a.selector), QStringLiteral("action"));
        }
        for (const BindingRecord& b : bindings)
            b.source->bindToObjectWithKeyPathOptions(b.binding, b.observable.get(), b.keyPath, b.options);
        for (const Ref<Object>& o : unarchiver->decodedObjects())
            awake(*o);
        if (owner)
            awake(*owner);
    } catch (const Exception& e) {
        const QString message = QStringLiteral("Could not load the interface file %1: %2").arg(name, e.reason());
        kit::log(QStringLiteral("%@"), message);
        if (error)
            *error = message;
        return false;
    }
    if (topLevelObjects)
        for (const Ref<Object>& o : topLevel)
            topLevelObjects->addObject(Value(o));
    return true;
}

bool Bundle::loadNibNamedOwnerTopLevelObjects(const QString& name, Object* owner, Array* topLevelObjects)
{
    QString path;
    if (owner)
        path = bundleForClass(owner->class_())->pathForInterfaceFile(name);
    if (path.isEmpty())
        path = mainBundle()->pathForInterfaceFile(name);
    if (path.isEmpty()) {
        kit::log(QStringLiteral("Could not find the interface file %@"), name);
        return false;
    }
    return NibLoader::loadInterfaceFile(path, owner, topLevelObjects);
}

bool Bundle::loadNibNamedOwner(const QString& name, Object* owner) { return loadNibNamedOwnerTopLevelObjects(name, owner, nullptr); }

} // namespace kit
