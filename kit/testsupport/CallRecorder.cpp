#include "kit/testsupport/CallRecorder.h"

#include "kit/appkit/Beep.h"
#include "kit/appkit/Workspace.h"

#include <algorithm>

namespace kit::test {

QStringList CallRecorder::only(const QStringList& prefixes) const
{
    QStringList out;
    for (const QString& call : calls_)
        if (std::any_of(prefixes.begin(), prefixes.end(), [&](const QString& p) { return call.startsWith(p); }))
            out.append(call);
    return out;
}

BeepRecorder::BeepRecorder()
    : count_(std::make_shared<int>(0))
{
    setBeepHook([count = count_] { ++*count; });
}

BeepRecorder::~BeepRecorder() { setBeepHook({}); }

URLOpenRecorder::URLOpenRecorder(bool answer)
    : urls_(std::make_shared<std::vector<QUrl>>())
{
    Workspace::setURLOpener([urls = urls_, answer](const QUrl& url) {
        urls->push_back(url);
        return answer;
    });
}

URLOpenRecorder::~URLOpenRecorder() { Workspace::setURLOpener({}); }

} // namespace kit::test
