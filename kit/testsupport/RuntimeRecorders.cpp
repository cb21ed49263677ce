#include "kit/testsupport/RuntimeRecorders.h"

#include <mutex>

namespace kit::test {

struct LogRecorder::State {
    std::mutex mutex;
    QStringList lines;
};

LogRecorder::LogRecorder()
    : state_(std::make_shared<State>())
{
    previous_ = setLogSink([state = state_](const QString& line) {
        // Keep the message: drop "date time exe[pid:tid] ".
        const qsizetype at = line.indexOf(QStringLiteral("] "));
        std::lock_guard guard(state->mutex);
        state->lines << (at < 0 ? line : line.mid(at + 2));
    });
}

LogRecorder::~LogRecorder() { setLogSink(previous_); }

QStringList LogRecorder::lines() const
{
    std::lock_guard guard(state_->mutex);
    return state_->lines;
}

bool LogRecorder::contains(const QString& fragment) const
{
    for (const QString& l : lines())
        if (l.contains(fragment))
            return true;
    return false;
}

NotificationRecorder::NotificationRecorder(const QString& name, Object* object)
    : token_(NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        name, object, nullptr, [this](Notification* n) { notifications.emplace_back(n); }))
{ }

NotificationRecorder::~NotificationRecorder() { NotificationCenter::defaultCenter()->removeObserver(token_.get()); }

QStringList NotificationRecorder::names() const
{
    QStringList out;
    for (const Ref<Notification>& n : notifications)
        out.append(n->name());
    return out;
}

} // namespace kit::test
