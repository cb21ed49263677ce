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

} // namespace kit::test
