#pragma once

// Test recorders for the text system and its neighbours: an ordered log of named calls that
// delegates and overrides write to, the beeps, and the URLs the workspace was asked to open.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <ostream>
#include <vector>

// Readable failures for call lists.
inline void PrintTo(const QStringList& list, std::ostream* os) { *os << '[' << list.join(QStringLiteral(" | ")).toStdString() << ']'; }

namespace kit::test {

// Calls in the order they came, each a name with optional details ("textDidEndEditing 17").
class CallRecorder {
public:
    void record(const QString& call) { calls_.append(call); }
    QStringList calls() const { return calls_; }
    // The calls that start with one of `prefixes`, in order.
    QStringList only(const QStringList& prefixes) const;
    int count(const QString& prefix) const { return only({ prefix }).size(); }
    void clear() { calls_.clear(); }

private:
    QStringList calls_;
};

// Counts kit::Beep() while it lives (the beep itself stays silent).
class BeepRecorder {
public:
    BeepRecorder();
    ~BeepRecorder();
    BeepRecorder(const BeepRecorder&) = delete;
    BeepRecorder& operator=(const BeepRecorder&) = delete;
    int count() const { return *count_; }

private:
    std::shared_ptr<int> count_;
};

// Records Workspace::openURL while it lives; nothing is opened. `answer` is what openURL returns.
class URLOpenRecorder {
public:
    explicit URLOpenRecorder(bool answer = true);
    ~URLOpenRecorder();
    URLOpenRecorder(const URLOpenRecorder&) = delete;
    URLOpenRecorder& operator=(const URLOpenRecorder&) = delete;
    std::vector<QUrl> urls() const { return *urls_; }

private:
    std::shared_ptr<std::vector<QUrl>> urls_;
};

} // namespace kit::test
