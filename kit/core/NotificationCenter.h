#pragma once

// Notifications: a name, the posting object and a user-info dictionary, delivered synchronously on
// the posting thread to the observers registered for them, in registration order. Observers and
// object filters are held weakly; block observers may ask for delivery on a queue (the main queue:
// the poster does not wait). Handlers that raise are logged and the delivery goes on.

#include "kit/core/Class.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace kit {

class OperationQueue;

class Notification : public Object {
    KIT_CLASS(Notification)
    Notification() = default;
    Notification(QString name, Object* object, Dictionary userInfo);
    static Ref<Notification> notificationWithNameObjectUserInfo(const QString& name, Object* object, const Dictionary& userInfo = {});

    const QString& name() const { return name_; }
    Ref<Object> object() const { return object_; }
    const Dictionary& userInfo() const { return userInfo_; }

    // kit::Object:
    QString description() const override;

private:
    QString name_;
    Ref<Object> object_;
    Dictionary userInfo_;
};

class NotificationCenter : public Object {
    KIT_CLASS(NotificationCenter)
    using Handler = std::function<void(Notification*)>;

    NotificationCenter();
    ~NotificationCenter() override;
    static const Ref<NotificationCenter>& defaultCenter();

    // An empty name matches every name; a null object matches every object (by identity otherwise).
    void addObserverSelectorNameObject(Object* observer, const Selector& selector, const QString& name, Object* object);
    void addObserverSelectorNameObject(Object* observer, Handler handler, const QString& name, Object* object);
    template <class T>
    void addObserverSelectorNameObject(T* observer, void (T::*method)(Notification*), const QString& name, Object* object)
    {
        addObserverSelectorNameObject(
            static_cast<Object*>(observer), Handler([observer, method](Notification* n) { (observer->*method)(n); }), name, object);
    }
    // A block observer; the answer is the token to remove. A null queue delivers synchronously;
    // a queued delivery still pending when the token is removed is dropped.
    Ref<Object> addObserverForNameObjectQueueUsingBlock(const QString& name, Object* object, OperationQueue* queue, Handler block);

    void removeObserver(Object* observer);
    void removeObserverNameObject(Object* observer, const QString& name, Object* object);

    void postNotification(const Ref<Notification>& notification);
    void postNotificationNameObject(const QString& name, Object* object) { postNotificationNameObjectUserInfo(name, object, {}); }
    void postNotificationNameObjectUserInfo(const QString& name, Object* object, const Dictionary& userInfo);

    // How a queued delivery reaches its queue. kit/core knows queues by name only: the operation
    // queues (kit/foundation) set this when they load.
    using QueueHandOff = void (*)(OperationQueue* queue, std::function<void()> delivery);
    static void setQueueHandOff(QueueHandOff handOff);

    // Test only: forget every registration of the default center.
    static void resetForTesting();
    int observerCountForTesting() const;

private:
    struct Entry;
    void add(std::shared_ptr<Entry> entry);
    void removeMatching(const std::function<bool(const Entry&)>& match);

    mutable std::mutex mutex_;
    std::shared_ptr<const std::vector<std::shared_ptr<Entry>>> entries_;
};

} // namespace kit
