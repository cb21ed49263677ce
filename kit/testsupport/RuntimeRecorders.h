#pragma once

// Test helpers for the runtime: a log recorder that captures kit::log lines while it lives, an
// assertion recorder that records failed assertions and returns, a key-value observing recorder and
// a notification recorder.

#include "kit/core/Exception.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/core/NotificationCenter.h"

#include <QStringList>

#include <vector>

namespace kit::test {

// Captures every kit::log line (message part only) for its lifetime.
class LogRecorder {
public:
    LogRecorder();
    ~LogRecorder();
    LogRecorder(const LogRecorder&) = delete;
    LogRecorder& operator=(const LogRecorder&) = delete;

    QStringList lines() const;
    bool contains(const QString& fragment) const;

private:
    struct State;
    std::shared_ptr<State> state_;
    LogSink previous_;
};

// Records failed assertions and returns instead of raising.
class AssertionRecorder : public AssertionHandler {
public:
    AssertionRecorder() { AssertionHandler::setCurrentHandler(this); }
    ~AssertionRecorder() override { AssertionHandler::setCurrentHandler(nullptr); }
    void handleFailure(const char*, const char*, int, const QString& description) override { descriptions.push_back(description); }

    std::vector<QString> descriptions;
};

// An observer that records every change it receives.
class KeyValueRecorder : public Object {
public:
    struct Record {
        QString keyPath;
        Object* object;
        KeyValueChange change;
        void* context;
    };
    std::vector<Record> records;

    void observeValueForKeyPathOfObjectChangeContext(
        const QString& keyPath, Object* object, const KeyValueChange& change, void* context) override
    {
        records.push_back({ keyPath, object, change, context });
    }
};

// Records the notifications the default center posts with `name` (any when empty) for `object`
// (any when null), from construction to destruction.
class NotificationRecorder {
public:
    explicit NotificationRecorder(const QString& name = {}, Object* object = nullptr);
    ~NotificationRecorder();
    NotificationRecorder(const NotificationRecorder&) = delete;
    NotificationRecorder& operator=(const NotificationRecorder&) = delete;

    std::vector<Ref<Notification>> notifications;
    QStringList names() const;

private:
    Ref<Object> token_;
};

} // namespace kit::test
