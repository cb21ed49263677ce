#include "kit/core/KeyValueObserving.h"

#include "kit/core/Class.h"
#include "kit/core/Exception.h"
#include "kit/core/KeyValueCoding.h"
#include "kit/core/ObjectExtras_p.h"

#include <array>

namespace kit {

namespace detail {

namespace {

// The empty set every change without indexes copies. Its storage keeps no reference count, so a
// copy is no atomic operation on one cache line that every thread's changes share.
class UncountedEmptyIndexSet final : public IndexSet {
public:
    UncountedEmptyIndexSet() { d_ = std::shared_ptr<std::vector<Range>>(std::shared_ptr<std::vector<Range>>(), &ranges_); }

private:
    std::vector<Range> ranges_;
};

} // namespace

const IndexSet& noIndexes()
{
    // Never destroyed: change records copied at exit still point at it.
    static const auto* empty = new UncountedEmptyIndexSet;
    return *empty;
}

namespace {
std::shared_ptr<Observation> addObservation(Object& target, Object* observer, const QString& keyPath, unsigned options, void* context);
void removeObservation(Object& target, const Observation* observation);
} // namespace

// Keeps the rest of a multi-segment key path observed on the current intermediate object, and
// moves that observation when the intermediate is replaced.
class ChainLink final : public Object {
public:
    ChainLink(Object* root, std::weak_ptr<Observation> entry, QString rest, unsigned options)
        : root_(root)
        , entry_(std::move(entry))
        , rest_(std::move(rest))
        , options_(options & ~unsigned(KeyValueObservingOptionInitial))
    { }
    ~ChainLink() override { detach(); }

    void rewire(const Value& intermediate)
    {
        detach();
        // Arrays are observed only up to the array.
        Ref<Object> target = intermediate.object();
        if (!target)
            return;
        auto sub = addObservation(*target, this, rest_, options_, this);
        std::lock_guard guard(mutex_);
        target_ = target;
        sub_ = sub;
    }

    void detach()
    {
        Weak<Object> target;
        std::weak_ptr<Observation> sub;
        {
            std::lock_guard guard(mutex_);
            target = std::exchange(target_, nullptr);
            sub = std::exchange(sub_, {});
        }
        auto s = sub.lock();
        if (!s)
            return;
        if (auto t = target.lock())
            removeObservation(*t, s.get());
        else {
            s->alive = false;
            if (s->chain)
                s->chain->detach();
        }
    }

    // Whether the registration this link serves can still be delivered.
    bool serves() const
    {
        auto entry = entry_.lock();
        return entry && entry->alive && !entry->observer.expired() && !root_.expired();
    }

    // kit::Object:
    void observeValueForKeyPathOfObjectChangeContext(const QString&, Object*, const KeyValueChange& change, void*) override
    {
        auto entry = entry_.lock();
        if (!entry || !entry->alive)
            return;
        Ref<Object> root = root_.lock();
        Ref<Object> observer = entry->observer.lock();
        if (!root || !observer)
            return;
        observer->observeValueForKeyPathOfObjectChangeContext(entry->keyPath, root.get(), change, entry->context);
    }

private:
    Weak<Object> root_;
    std::weak_ptr<Observation> entry_;
    QString rest_;
    unsigned options_;
    std::mutex mutex_;
    Weak<Object> target_;
    std::weak_ptr<Observation> sub_;
};

Observation::~Observation() = default;

void ObjectExtras::add(std::shared_ptr<Observation> o)
{
    std::lock_guard guard(mutex);
    auto list = observations ? std::make_shared<ObservationList>(*observations) : std::make_shared<ObservationList>();
    if (o->options & (KeyValueObservingOptionOld | KeyValueObservingOptionPrior))
        oldValueCount.fetch_add(1, std::memory_order_acq_rel);
    list->push_back(std::move(o));
    observations = std::move(list);
    observationCount.fetch_add(1, std::memory_order_acq_rel);
}

bool ObjectExtras::remove(const Observation* o)
{
    std::lock_guard guard(mutex);
    if (!observations)
        return false;
    auto list = std::make_shared<ObservationList>();
    list->reserve(observations->size());
    bool found = false;
    for (const auto& x : *observations) {
        if (x.get() == o && !found)
            found = true;
        else
            list->push_back(x);
    }
    if (!found)
        return false;
    observations = list->empty() ? nullptr : std::shared_ptr<const ObservationList>(std::move(list));
    observationCount.fetch_sub(1, std::memory_order_acq_rel);
    if (o->options & (KeyValueObservingOptionOld | KeyValueObservingOptionPrior))
        oldValueCount.fetch_sub(1, std::memory_order_acq_rel);
    return true;
}

void destroyExtras(ObjectExtras* extras)
{
    std::shared_ptr<const ObservationList> observations;
    QHash<QString, Ref<Object>> bindings;
    {
        std::lock_guard guard(extras->mutex);
        observations = std::move(extras->observations);
        bindings = std::move(extras->bindings);
    }
    if (observations)
        for (const auto& o : *observations) {
            o->alive = false;
            if (o->chain)
                o->chain->detach();
        }
    bindings.clear();
    delete extras;
}

namespace {

// Equal keys; setters pass the same literal on every call, so identical data is the common case.
bool sameKey(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    const QChar* x = a.constData();
    const QChar* y = b.constData();
    if (x == y)
        return true;
    // Keys are short: a loop beats a call.
    for (qsizetype i = 0, n = a.size(); i < n; ++i)
        if (x[i] != y[i])
            return false;
    return true;
}

bool affects(const Observation& o, const QString& key)
{
    if (sameKey(o.firstKey, key))
        return true;
    for (const QString& k : o.affectingKeys)
        if (sameKey(k, key))
            return true;
    return false;
}

// The first key's value, through the accessor resolved at registration when there is one.
Value firstKeyValue(const Object& object, const Observation& o)
{
    return o.firstKeyProperty ? o.firstKeyProperty->get(object) : object.valueForKey(o.firstKey);
}

Value currentValue(const Object& object, const Observation& o)
{
    return o.rest.isEmpty() ? firstKeyValue(object, o) : object.valueForKeyPath(o.keyPath);
}

// The old values a will-change captured, by registration. Almost every change has one, kept inline
// so that capturing it allocates nothing.
class OldValues {
public:
    bool empty() const { return count_ == 0; }
    void add(const Observation* o, Value v)
    {
        if (count_ < inline_.size())
            inline_[count_] = { o, std::move(v) };
        else
            more_.emplace_back(o, std::move(v));
        ++count_;
    }
    Value take(const Observation* o)
    {
        for (std::size_t i = 0; i < count_; ++i) {
            auto& entry = i < inline_.size() ? inline_[i] : more_[i - inline_.size()];
            if (entry.first == o)
                return std::move(entry.second);
        }
        return {};
    }

private:
    std::array<std::pair<const Observation*, Value>, 1> inline_;
    std::vector<std::pair<const Observation*, Value>> more_;
    std::size_t count_ = 0;
};

// A will-change waiting for its did-change on this thread. Frames nest; the did-change takes the
// innermost frame of the same object and key.
struct Pending {
    Pending(const Object* o, const QString& k, OldValues&& values)
        : object(o)
        , key(k)
        , olds(std::move(values))
    { }
    const Object* object;
    QString key;
    OldValues olds;
};

// The pending changes of this thread. The stack lives in a thread-local owner made on the first
// capture; every did-change looks at the pointer, which is initial-exec (the library is loaded with
// the program) so that a change with nothing pending pays no thread-local lookup call.
struct PendingStack {
    std::vector<Pending> frames;
    ~PendingStack();
};
thread_local std::vector<Pending>* pendingFrames [[gnu::tls_model("initial-exec")]] = nullptr;

PendingStack::~PendingStack() { pendingFrames = nullptr; }

void pushPending(const Object& object, const QString& key, OldValues&& olds)
{
    if (!pendingFrames) {
        thread_local PendingStack stack;
        pendingFrames = &stack.frames;
    }
    pendingFrames->emplace_back(&object, key, std::move(olds));
}

// Moves the old values of the innermost pending change of `object` and `key` into `olds`.
bool takePending(const Object& object, const QString& key, OldValues& olds)
{
    auto* stack = pendingFrames;
    for (auto it = stack->rbegin(); it != stack->rend(); ++it)
        if (it->object == &object && sameKey(it->key, key)) {
            olds = std::move(it->olds);
            stack->erase(std::next(it).base());
            return true;
        }
    return false;
}

// The keys other than `key` whose changes change `key`: every key `key` depends on, directly or
// through other dependent keys, that the class lists as affecting it.
QStringList keysAffecting(const Class& c, const QString& key)
{
    QStringList out;
    QStringList queue = c.keyPathsForValuesAffectingKey(key);
    QStringList seen { key };
    while (!queue.isEmpty()) {
        const QString k = queue.takeFirst();
        if (seen.contains(k))
            continue;
        seen.append(k);
        if (c.keysAffectedByKey(k).contains(key))
            out.append(k);
        queue.append(c.keyPathsForValuesAffectingKey(k));
    }
    return out;
}

// The affected elements of a to-many change, or the whole value.
Value changedPart(Value whole, const IndexSet* indexes)
{
    if (!indexes)
        return whole.isNil() ? Value::null() : std::move(whole);
    std::vector<Value> out;
    const Array& array = whole.array();
    for (auto i : *indexes)
        if (i < array.count())
            out.push_back(array[i]);
    return Value(Array(std::move(out)));
}

void logObserverException(const QString& keyPath, const QString& name, const QString& reason)
{
    kit::log(QStringLiteral("*** An observer of \"%@\" raised %@: %@"), keyPath, name, reason);
}

bool deliver(const Observation& o, Object* object, const KeyValueChange& change)
{
    if (!o.alive.load(std::memory_order_acquire))
        return true;
    Ref<Object> observer = o.observer.lock();
    if (!observer)
        return false;
    try {
        observer->observeValueForKeyPathOfObjectChangeContext(o.keyPath, object, change, o.context);
    } catch (const Exception& e) {
        logObserverException(o.keyPath, e.name(), e.reason());
    } catch (const std::exception& e) {
        logObserverException(o.keyPath, QStringLiteral("std::exception"), QString::fromUtf8(e.what()));
    }
    return true;
}

void pruneDead(ObjectExtras& e)
{
    auto snap = e.snapshot();
    if (!snap)
        return;
    for (const auto& o : *snap)
        if (o->observer.expired()) {
            o->alive = false;
            if (o->chain)
                o->chain->detach();
            e.remove(o.get());
        }
}

std::shared_ptr<Observation> addObservation(Object& target, Object* observer, const QString& keyPath, unsigned options, void* context)
{
    auto o = std::make_shared<Observation>();
    o->keyPath = keyPath;
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    o->firstKey = dot < 0 ? keyPath : keyPath.left(dot);
    o->rest = dot < 0 ? QString() : keyPath.mid(dot + 1);
    o->observer = observer;
    o->observerIdentity = observer;
    o->options = options;
    o->context = context;
    const Class& c = target.class_();
    o->firstKeyProperty = c.property(o->firstKey);
    o->affectingKeys = keysAffecting(c, o->firstKey);
    if (!o->rest.isEmpty()) {
        o->chain = make<ChainLink>(&target, o, o->rest, options);
        o->chain->rewire(firstKeyValue(target, *o));
    }
    target.ensureExtrasForObservation().add(o);
    return o;
}

void removeObservation(Object& target, const Observation* observation)
{
    auto* e = target.extrasForObservation();
    if (!e)
        return;
    auto snap = e->snapshot();
    if (!snap)
        return;
    for (const auto& o : *snap)
        if (o.get() == observation) {
            o->alive = false;
            if (o->chain)
                o->chain->detach();
            e->remove(observation);
            return;
        }
}

} // namespace

} // namespace detail

// ---- kit::Object

void Object::addObserverForKeyPathOptionsContext(Object* observer, const QString& keyPath, unsigned options, void* context)
{
    KIT_PARAMETER_ASSERT(observer != nullptr, "observer != nil");
    auto o = detail::addObservation(*this, observer, keyPath, options, context);
    if (options & KeyValueObservingOptionInitial) {
        KeyValueChange change;
        if (options & KeyValueObservingOptionNew)
            change.newValue = detail::changedPart(detail::currentValue(*this, *o), nullptr);
        detail::deliver(*o, this, change);
    }
}

void Object::removeObserverForKeyPath(Object* observer, const QString& keyPath)
{
    removeObserverForKeyPathContext(observer, keyPath, nullptr);
}

void Object::removeObserverForKeyPathContext(Object* observer, const QString& keyPath, void* context)
{
    auto* e = extrasForObservation();
    auto snap = e ? e->snapshot() : nullptr;
    if (snap) {
        for (auto it = snap->rbegin(); it != snap->rend(); ++it) {
            const auto& o = *it;
            if (o->observerIdentity == observer && o->keyPath == keyPath && (!context || o->context == context) && o->alive) {
                o->alive = false;
                if (o->chain)
                    o->chain->detach();
                e->remove(o.get());
                return;
            }
        }
    }
    throw Exception(RangeException,
        format(QStringLiteral("Cannot remove an observer <%@ %p> for the key path \"%@\" from <%@ %p> because it is "
                              "not registered as an observer."),
            observer ? observer->class_().name() : QStringLiteral("(null)"), reinterpret_cast<quintptr>(observer), keyPath, class_().name(),
            reinterpret_cast<quintptr>(this)));
}

void Object::observeValueForKeyPathOfObjectChangeContext(const QString& keyPath, Object* object, const KeyValueChange&, void*)
{
    throw Exception(InternalInconsistencyException,
        format(QStringLiteral("%@: An -observeValueForKeyPath:ofObject:change:context: message was received but not handled.\nKey path: "
                              "%@\nObserved object: %@"),
            description(), keyPath, object));
}

namespace {

void willChange(Object& self, const QString& key, KeyValueChangeKind kind, const IndexSet* indexes)
{
    auto* e = self.extrasForObservation();
    if (!e || e->oldValueCount.load(std::memory_order_acquire) == 0)
        return;
    auto snap = e->snapshot();
    if (!snap)
        return;
    detail::OldValues olds;
    Ref<Object> keep;
    const auto& list = *snap;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const detail::Observation& o = *list[i];
        if (!(o.options & (KeyValueObservingOptionOld | KeyValueObservingOptionPrior)) || !o.alive || !detail::affects(o, key))
            continue;
        // Indexes apply to the to-many key itself; a dependent key or a longer path sees a setting.
        const IndexSet* own = indexes && detail::sameKey(o.firstKey, key) && o.rest.isEmpty() ? indexes : nullptr;
        Value old;
        if (!(own && kind == KeyValueChangeInsertion))
            old = detail::changedPart(detail::currentValue(self, o), own);
        if (o.options & KeyValueObservingOptionPrior) {
            KeyValueChange prior;
            prior.kind = own ? kind : KeyValueChangeSetting;
            if (own) {
                prior.hasIndexes = true;
                prior.indexes = *own;
            }
            prior.isPrior = true;
            if (o.options & KeyValueObservingOptionOld)
                prior.oldValue = old;
            // The changing object lives through its own notifications (see didChange).
            if (!keep && i + 1 < list.size())
                keep = Ref<Object>(&self);
            detail::deliver(o, &self, prior);
        }
        olds.add(&o, std::move(old));
    }
    // Only changes that captured something need to be found again at did-change.
    if (!olds.empty())
        detail::pushPending(self, key, std::move(olds));
}

void deliverDidChange(Object& self, const QString& key, KeyValueChangeKind kind, const IndexSet* indexes, detail::OldValues* olds)
{
    auto* e = self.extrasForObservation();
    if (!e || e->observationCount.load(std::memory_order_acquire) == 0)
        return;
    auto snap = e->snapshot();
    if (!snap)
        return;
    // The changing object lives through its own notifications: it is held from the first callback
    // that this loop outlasts. Nothing here touches it after the last callback, so a change with one
    // observer pays no reference count (and that observer may drop the last reference).
    Ref<Object> keep;
    bool sawDead = false;
    const auto& list = *snap;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const detail::Observation& o = *list[i];
        if (!o.alive || !detail::affects(o, key))
            continue;
        if (o.chain)
            o.chain->rewire(detail::firstKeyValue(self, o));
        KeyValueChange change;
        change.kind = kind;
        if (indexes && detail::sameKey(o.firstKey, key) && o.rest.isEmpty()) {
            change.hasIndexes = true;
            change.indexes = *indexes;
        } else
            change.kind = KeyValueChangeSetting;
        if (o.options & KeyValueObservingOptionNew) {
            if (!change.hasIndexes) {
                change.newValue = detail::currentValue(self, o);
                if (change.newValue.isNil())
                    change.newValue = Value::null();
            } else if (kind != KeyValueChangeRemoval)
                change.newValue = detail::changedPart(detail::currentValue(self, o), indexes);
        }
        if (o.options & KeyValueObservingOptionOld && olds)
            change.oldValue = olds->take(&o);
        if (!keep && (i + 1 < list.size() || sawDead))
            keep = Ref<Object>(&self);
        if (!detail::deliver(o, &self, change))
            sawDead = true;
    }
    if (sawDead)
        detail::pruneDead(*e);
}

void didChange(Object& self, const QString& key, KeyValueChangeKind kind, const IndexSet* indexes)
{
    // Only a change with captured old values builds the record of them.
    if (auto* stack = detail::pendingFrames; stack && !stack->empty()) {
        detail::OldValues olds;
        if (detail::takePending(self, key, olds)) {
            deliverDidChange(self, key, kind, indexes, &olds);
            return;
        }
    }
    deliverDidChange(self, key, kind, indexes, nullptr);
}

} // namespace

void Object::willChangeValueForKey(const QString& key) { willChange(*this, key, KeyValueChangeSetting, nullptr); }
void Object::didChangeValueForKey(const QString& key) { didChange(*this, key, KeyValueChangeSetting, nullptr); }

void Object::willChangeValuesAtIndexesForKey(KeyValueChangeKind kind, const IndexSet& indexes, const QString& key)
{
    willChange(*this, key, kind, &indexes);
}

void Object::didChangeValuesAtIndexesForKey(KeyValueChangeKind kind, const IndexSet& indexes, const QString& key)
{
    didChange(*this, key, kind, &indexes);
}

// ---- free functions

Value KeyValueChange::valueForKey(const QString& key) const
{
    if (key == KeyValueChangeKindKey)
        return Value(static_cast<int>(kind));
    if (key == KeyValueChangeNewKey)
        return newValue;
    if (key == KeyValueChangeOldKey)
        return oldValue;
    if (key == KeyValueChangeIndexesKey)
        return hasIndexes ? Value(indexes) : Value();
    if (key == KeyValueChangeNotificationIsPriorKey)
        return isPrior ? Value(true) : Value();
    return {};
}

void addObserverToObjectsAtIndexesForKeyPathOptionsContext(
    const Array& array, Object* observer, const IndexSet& indexes, const QString& keyPath, unsigned options, void* context)
{
    for (auto i : indexes)
        if (auto o = array.objectAtIndex(i).object())
            o->addObserverForKeyPathOptionsContext(observer, keyPath, options, context);
}

void removeObserverFromObjectsAtIndexesForKeyPath(const Array& array, Object* observer, const IndexSet& indexes, const QString& keyPath)
{
    for (auto i : indexes)
        if (auto o = array.objectAtIndex(i).object())
            o->removeObserverForKeyPath(observer, keyPath);
}

namespace debug {

namespace {

// Live: the observer exists, and for the rest of a key path, the registration it serves does too.
bool live(const detail::Observation& o)
{
    if (!o.alive)
        return false;
    Ref<Object> observer = o.observer.lock();
    if (!observer)
        return false;
    auto* link = dynamic_cast<detail::ChainLink*>(observer.get());
    return !link || link->serves();
}

} // namespace

int observationCount(const Object* object)
{
    auto* e = object ? object->extrasForObservation() : nullptr;
    auto snap = e ? e->snapshot() : nullptr;
    int n = 0;
    if (snap)
        for (const auto& o : *snap)
            if (live(*o))
                ++n;
    return n;
}

int observationCount(const Object* object, const QString& keyPath)
{
    auto* e = object ? object->extrasForObservation() : nullptr;
    auto snap = e ? e->snapshot() : nullptr;
    int n = 0;
    if (snap)
        for (const auto& o : *snap)
            if (o->keyPath == keyPath && live(*o))
                ++n;
    return n;
}

} // namespace debug

} // namespace kit
