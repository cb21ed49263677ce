#include "kit/core/NotificationCenter.h"

#include "kit/core/Exception.h"
#include "kit/core/ProcessWide.h"

#include <atomic>

namespace kit {

KIT_REGISTER_CLASS(Notification, Object)
{
    c.property("name", &Notification::name);
    c.property("object", &Notification::object);
    c.property("userInfo", &Notification::userInfo);
}

KIT_REGISTER_CLASS(NotificationCenter, Object) { }

Notification::Notification(QString name, Object* object, Dictionary userInfo)
    : name_(std::move(name))
    , object_(object)
    , userInfo_(std::move(userInfo))
{ }

Ref<Notification> Notification::notificationWithNameObjectUserInfo(const QString& name, Object* object, const Dictionary& userInfo)
{
    return make<Notification>(name, object, userInfo);
}

QString Notification::description() const
{
    return format(QStringLiteral("<Notification %p {name = %@; object = %@; userInfo = %@}>"), reinterpret_cast<quintptr>(this), name_,
        object_ ? object_->description() : QStringLiteral("(null)"), userInfo_.isEmpty() ? Value() : Value(userInfo_));
}

namespace {

// The token of a block observer: identity only.
class ObserverToken final : public Object { };

void logHandlerException(const QString& name, const QString& exceptionName, const QString& reason)
{
    kit::log(QStringLiteral("*** An observer of %@ raised %@: %@"), name, exceptionName, reason);
}

// Constant-initialised, so the hand-off set while the libraries load is never overwritten.
std::atomic<NotificationCenter::QueueHandOff> queueHandOff { nullptr };

void runHandler(const NotificationCenter::Handler& handler, Notification* n)
{
    try {
        handler(n);
    } catch (const Exception& e) {
        logHandlerException(n->name(), e.name(), e.reason());
    } catch (const std::exception& e) {
        logHandlerException(n->name(), QStringLiteral("std::exception"), QString::fromUtf8(e.what()));
    }
}

} // namespace

struct NotificationCenter::Entry {
    Weak<Object> observer;
    const Object* observerIdentity = nullptr;
    QString name;
    Weak<Object> object;
    const Object* objectIdentity = nullptr;
    Handler handler;
    Selector selector;
    OperationQueue* queue = nullptr;
    std::atomic<bool> alive { true };

    bool matches(const QString& n, const Object* o) const
    {
        if (!name.isEmpty() && name != n)
            return false;
        if (!objectIdentity)
            return true;
        // A new object at a freed address never matches.
        return o == objectIdentity && !object.expired();
    }
};

NotificationCenter::NotificationCenter() = default;
NotificationCenter::~NotificationCenter() = default;

const Ref<NotificationCenter>& NotificationCenter::defaultCenter()
{
    // Observers leave it from destructors that may run at exit.
    static ProcessWide<const Ref<NotificationCenter>> center(make<NotificationCenter>());
    return *center;
}

void NotificationCenter::add(std::shared_ptr<Entry> entry)
{
    std::lock_guard guard(mutex_);
    auto list = entries_ ? std::make_shared<std::vector<std::shared_ptr<Entry>>>(*entries_)
                         : std::make_shared<std::vector<std::shared_ptr<Entry>>>();
    list->push_back(std::move(entry));
    entries_ = std::move(list);
}

void NotificationCenter::removeMatching(const std::function<bool(const Entry&)>& match)
{
    std::lock_guard guard(mutex_);
    if (!entries_)
        return;
    auto list = std::make_shared<std::vector<std::shared_ptr<Entry>>>();
    for (const auto& e : *entries_) {
        if (match(*e))
            e->alive = false;
        else
            list->push_back(e);
    }
    entries_ = std::move(list);
}

void NotificationCenter::addObserverSelectorNameObject(Object* observer, const Selector& selector, const QString& name, Object* object)
{
    KIT_PARAMETER_ASSERT(observer != nullptr, "observer != nil");
    auto e = std::make_shared<Entry>();
    e->observer = observer;
    e->observerIdentity = observer;
    e->selector = selector;
    e->name = name;
    e->object = object;
    e->objectIdentity = object;
    add(std::move(e));
}

void NotificationCenter::addObserverSelectorNameObject(Object* observer, Handler handler, const QString& name, Object* object)
{
    KIT_PARAMETER_ASSERT(observer != nullptr, "observer != nil");
    auto e = std::make_shared<Entry>();
    e->observer = observer;
    e->observerIdentity = observer;
    e->handler = std::move(handler);
    e->name = name;
    e->object = object;
    e->objectIdentity = object;
    add(std::move(e));
}

Ref<Object> NotificationCenter::addObserverForNameObjectQueueUsingBlock(
    const QString& name, Object* object, OperationQueue* queue, Handler block)
{
    auto token = make<ObserverToken>();
    auto e = std::make_shared<Entry>();
    e->observer = token;
    e->observerIdentity = token.get();
    e->handler = std::move(block);
    e->name = name;
    e->object = object;
    e->objectIdentity = object;
    e->queue = queue;
    add(std::move(e));
    return token;
}

void NotificationCenter::removeObserver(Object* observer)
{
    removeMatching([observer](const Entry& e) { return e.observerIdentity == observer; });
}

void NotificationCenter::removeObserverNameObject(Object* observer, const QString& name, Object* object)
{
    removeMatching([&](const Entry& e) {
        return e.observerIdentity == observer && (name.isEmpty() || e.name == name) && (!object || e.objectIdentity == object);
    });
}

void NotificationCenter::postNotificationNameObjectUserInfo(const QString& name, Object* object, const Dictionary& userInfo)
{
    postNotification(make<Notification>(name, object, userInfo));
}

void NotificationCenter::postNotification(const Ref<Notification>& notification)
{
    std::shared_ptr<const std::vector<std::shared_ptr<Entry>>> snapshot;
    {
        std::lock_guard guard(mutex_);
        snapshot = entries_;
    }
    if (!snapshot)
        return;
    const Ref<Object> object = notification->object();
    bool sawDead = false;
    for (const auto& e : *snapshot) {
        if (!e->alive || !e->matches(notification->name(), object.get()))
            continue;
        Ref<Object> observer = e->observer.lock();
        if (!observer) {
            sawDead = true;
            continue;
        }
        if (e->queue) {
            // The block holds the token weakly through the entry: removing it drops this delivery.
            const QueueHandOff handOff = queueHandOff.load(std::memory_order_acquire);
            KIT_ASSERT(handOff != nullptr, "Queued notification delivery without the operation queues");
            handOff(e->queue, [e, notification] {
                if (e->alive && !e->observer.expired())
                    runHandler(e->handler, notification.get());
            });
            continue;
        }
        if (e->handler)
            runHandler(e->handler, notification.get());
        else {
            runHandler([&](Notification* n) { observer->performSelectorWithObject(e->selector, Value(n)); }, notification.get());
        }
    }
    if (sawDead)
        removeMatching([](const Entry& e) { return e.observer.expired(); });
}

void NotificationCenter::setQueueHandOff(QueueHandOff handOff) { queueHandOff.store(handOff, std::memory_order_release); }

void NotificationCenter::resetForTesting()
{
    auto& c = *defaultCenter();
    c.removeMatching([](const Entry&) { return true; });
}

int NotificationCenter::observerCountForTesting() const
{
    std::lock_guard guard(mutex_);
    int n = 0;
    if (entries_)
        for (const auto& e : *entries_)
            if (!e->observer.expired())
                ++n;
    return n;
}

} // namespace kit
