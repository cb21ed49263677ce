#include "kit/core/KeyValueObserving.h"

#include "kit/core/Class.h"
#include "kit/core/Exception.h"
#include "kit/core/KeyValueCoding.h"
#include "kit/core/ObjectExtras_p.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

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
    current.store(observations.get(), std::memory_order_release);
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
    current.store(observations.get(), std::memory_order_release);
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
        extras->current.store(nullptr, std::memory_order_release);
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
[[gnu::always_inline]] inline bool sameKey(const QString& a, const QString& b)
{
    const qsizetype n = a.size();
    if (n != b.size())
        return false;
    const char* x = reinterpret_cast<const char*>(a.constData());
    const char* y = reinterpret_cast<const char*>(b.constData());
    if (x == y)
        return true;
    // Keys are short: two overlapping words compare up to eight characters without a call.
    const std::size_t bytes = std::size_t(n) * sizeof(QChar);
    if (bytes < 8 || bytes > 16)
        return std::memcmp(x, y, bytes) == 0;
    std::uint64_t x0, x1, y0, y1;
    std::memcpy(&x0, x, 8);
    std::memcpy(&y0, y, 8);
    std::memcpy(&x1, x + bytes - 8, 8);
    std::memcpy(&y1, y + bytes - 8, 8);
    return x0 == y0 && x1 == y1;
}

[[gnu::always_inline]] inline bool affects(const Observation& o, const QString& key)
{
    if (sameKey(o.firstKey, key))
        return true;
    for (const QString& k : o.affectingKeys)
        if (sameKey(k, key))
            return true;
    return false;
}

// The first key's value, through the accessor resolved at registration when there is one.
[[gnu::always_inline]] inline Value firstKeyValue(const Object& object, const Observation& o)
{
    return o.firstKeyProperty ? o.firstKeyProperty->get(object) : object.valueForKey(o.firstKey);
}

[[gnu::always_inline]] inline Value currentValue(const Object& object, const Observation& o)
{
    return o.rest.isEmpty() ? firstKeyValue(object, o) : object.valueForKeyPath(o.keyPath);
}

// The old values a will-change captured, by registration: almost always one, held inline, so
// that capturing it allocates nothing and moves one value.
struct OldValues {
    // Reads the first value straight into place.
    template <class Read>
    OldValues(const Observation* o, Read&& read)
        : first(o)
        , firstValue(read())
    { }

    const Observation* first = nullptr;
    Value firstValue;
    std::vector<std::pair<const Observation*, Value>> more;

    void add(const Observation* o, Value&& v)
    {
        if (!first) {
            first = o;
            firstValue = std::move(v);
        } else
            more.emplace_back(o, std::move(v));
    }
    // Moves the value captured for `o` into `into`.
    void take(const Observation* o, Value& into)
    {
        if (o == first) {
            into = std::move(firstValue);
            return;
        }
        for (auto& [which, value] : more)
            if (which == o) {
                into = std::move(value);
                return;
            }
    }
};

// A will-change waiting for its did-change on this thread. Frames nest; the did-change takes the
// innermost frame of the same object and key. `serial` tells a frame from one pushed in its place.
struct Pending {
    template <class Read>
    Pending(const Object* o, const QString& k, std::uint64_t n, const Observation* first, Read&& read)
        : object(o)
        , key(k)
        , serial(n)
        , olds(first, std::forward<Read>(read))
    { }
    const Object* object;
    QString key;
    std::uint64_t serial;
    OldValues olds;
    // The list the will-change walked.
    std::shared_ptr<const ObservationList> observations;
};

// The pending changes of this thread, made on the first capture. Every did-change looks at the
// pointer, which is initial-exec (the library is loaded with the program) so that a change with
// nothing pending pays no thread-local lookup call.
struct PendingStack {
    std::vector<Pending> frames;
    std::uint64_t serials = 0;
    ~PendingStack();
};
thread_local PendingStack* pendingStack [[gnu::tls_model("initial-exec")]] = nullptr;

PendingStack::~PendingStack() { pendingStack = nullptr; }

PendingStack& pendingChanges()
{
    if (!pendingStack) {
        thread_local PendingStack stack;
        pendingStack = &stack;
    }
    return *pendingStack;
}

// The frame with `serial`, where changes made meanwhile have left it: they push and pop above it,
// or (unpaired) remove frames below it. `index` is where it was last seen.
[[gnu::always_inline]] inline Pending* frameWithSerial(std::uint64_t serial, std::size_t& index)
{
    if (!serial || !pendingStack)
        return nullptr;
    auto& frames = pendingStack->frames;
    if (index >= frames.size() || frames[index].serial != serial) {
        auto it = std::find_if(frames.begin(), frames.end(), [&](const Pending& p) { return p.serial == serial; });
        if (it == frames.end())
            return nullptr;
        index = std::size_t(it - frames.begin());
    }
    return &frames[index];
}

void eraseFrame(std::size_t index) { pendingStack->frames.erase(pendingStack->frames.begin() + std::ptrdiff_t(index)); }

// The frame a will-change fills, pushed on its first capture. Prior notifications run observers in
// between, whose own changes may move or (unpaired) take it: then a fresh one is pushed.
class PendingFrame {
public:
    PendingFrame(const Object& object, const QString& key)
        : object_(object)
        , key_(key)
    { }
    // Adds the old value `read` answers for `o`.
    template <class Read> void add(const Observation* o, Read&& read)
    {
        if (Pending* frame = frameWithSerial(serial_, index_)) {
            frame->olds.add(o, read());
            return;
        }
        auto& stack = pendingChanges();
        serial_ = ++stack.serials;
        index_ = stack.frames.size();
        stack.frames.emplace_back(&object_, key_, serial_, o, std::forward<Read>(read));
    }
    // Hands the list walked to the frame, when there is one.
    void keep(std::shared_ptr<const ObservationList>&& observations)
    {
        if (Pending* frame = frameWithSerial(serial_, index_))
            frame->observations = std::move(observations);
    }
    // A will-change that fails leaves nothing for a did-change to find.
    void drop()
    {
        if (frameWithSerial(serial_, index_))
            eraseFrame(index_);
    }

private:
    const Object& object_;
    const QString& key_;
    std::size_t index_ = 0;
    std::uint64_t serial_ = 0;
};

// The frame of a did-change: the innermost pending change of its object and key, marked taken so
// that changes made by its observers neither find nor disturb it, and dropped when it is done. Its
// old values are moved out one by one as they are delivered.
class TakenFrame {
public:
    TakenFrame(const Object& object, const QString& key)
    {
        auto& frames = pendingStack->frames;
        for (auto it = frames.rbegin(); it != frames.rend(); ++it)
            if (it->object == &object && sameKey(it->key, key)) {
                it->object = nullptr;
                serial_ = it->serial;
                index_ = std::size_t(frames.rend() - it) - 1;
                return;
            }
    }
    ~TakenFrame()
    {
        if (frameWithSerial(serial_, index_))
            eraseFrame(index_);
    }
    TakenFrame(const TakenFrame&) = delete;
    TakenFrame& operator=(const TakenFrame&) = delete;

    explicit operator bool() const { return serial_ != 0; }
    std::shared_ptr<const ObservationList> takeObservations() { return std::move(pendingStack->frames[index_].observations); }
    void takeOld(const Observation* o, Value& into)
    {
        if (Pending* p = frameWithSerial(serial_, index_))
            p->olds.take(o, into);
    }

private:
    std::uint64_t serial_ = 0;
    std::size_t index_ = 0;
};

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

[[gnu::always_inline]] inline bool deliver(const Observation& o, Object* object, const KeyValueChange& change)
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

// Reads each old value a registration asked for (and sends prior notifications) into `frame`.
void captureOldValues(Object& self, const QString& key, KeyValueChangeKind kind, const IndexSet* indexes, const detail::ObservationList& list,
    detail::PendingFrame& frame, Ref<Object>& keep)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        const detail::Observation& o = *list[i];
        if (!(o.options & (KeyValueObservingOptionOld | KeyValueObservingOptionPrior)) || !o.alive || !detail::affects(o, key))
            continue;
        // Indexes apply to the to-many key itself; a dependent key or a longer path sees a setting.
        const IndexSet* own = indexes && detail::sameKey(o.firstKey, key) && o.rest.isEmpty() ? indexes : nullptr;
        auto read = [&] {
            Value v = !own ? detail::currentValue(self, o)
                : kind != KeyValueChangeInsertion ? detail::changedPart(detail::currentValue(self, o), own)
                                                  : Value();
            if (!own && v.isNil())
                v = Value::null();
            return v;
        };
        // Only changes that capture something are found again at did-change.
        if (!(o.options & KeyValueObservingOptionPrior)) {
            frame.add(&o, read);
            continue;
        }
        Value old = read();
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
        frame.add(&o, [&] { return std::move(old); });
    }
}

[[gnu::flatten]] void willChange(Object& self, const QString& key, KeyValueChangeKind kind, const IndexSet* indexes)
{
    auto* e = self.extrasForObservation();
    if (!e || e->oldValueCount.load(std::memory_order_acquire) == 0)
        return;
    auto snap = e->snapshot();
    if (!snap)
        return;
    detail::PendingFrame frame(self, key);
    Ref<Object> keep;
    const auto& list = *snap;
    try {
        captureOldValues(self, key, kind, indexes, list, frame, keep);
    } catch (...) {
        frame.drop();
        throw;
    }
    frame.keep(std::move(snap));
}


// Flattened: the snapshot's reference count and the record's values are copied inline.
[[gnu::flatten]] void deliverDidChange(Object& self, const QString& key, KeyValueChangeKind kind, const IndexSet* indexes, detail::TakenFrame* olds,
    std::shared_ptr<const detail::ObservationList>&& willSaw)
{
    auto* e = self.extrasForObservation();
    if (!e || e->observationCount.load(std::memory_order_acquire) == 0)
        return;
    // Registrations unchanged since the will-change: its snapshot serves.
    auto snap = willSaw && e->current.load(std::memory_order_acquire) == willSaw.get() ? std::move(willSaw) : e->snapshot();
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
        // Indexes apply to the to-many key itself; a dependent key or a longer path sees a setting.
        const IndexSet* own = indexes && detail::sameKey(o.firstKey, key) && o.rest.isEmpty() ? indexes : nullptr;
        const bool wantsNew = o.options & KeyValueObservingOptionNew;
        // Not an aggregate initialisation: that clears the whole record before filling it.
        KeyValueChange change;
        change.kind = own ? kind : KeyValueChangeSetting;
        if (own) {
            change.hasIndexes = true;
            change.indexes = *own;
        }
        if (wantsNew && (!own || kind != KeyValueChangeRemoval))
            change.newValue = own ? detail::changedPart(detail::currentValue(self, o), own) : detail::currentValue(self, o);
        if (wantsNew && !own && change.newValue.isNil())
            change.newValue = Value::null();
        if (o.options & KeyValueObservingOptionOld && olds)
            olds->takeOld(&o, change.oldValue);
        if (!keep && (i + 1 < list.size() || sawDead))
            keep = Ref<Object>(&self);
        if (!detail::deliver(o, &self, change))
            sawDead = true;
    }
    if (sawDead)
        detail::pruneDead(*e);
}

[[gnu::flatten]] void didChange(Object& self, const QString& key, KeyValueChangeKind kind, const IndexSet* indexes)
{
    // Only a change with captured old values builds the record of them.
    if (auto* stack = detail::pendingStack; stack && !stack->frames.empty()) {
        if (detail::TakenFrame olds(self, key); olds) {
            deliverDidChange(self, key, kind, indexes, &olds, olds.takeObservations());
            return;
        }
    }
    deliverDidChange(self, key, kind, indexes, nullptr, nullptr);
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
