#include "kit/testsupport/CallRecorder.h"

#include "kit/appkit/Beep.h"
#include "kit/appkit/Workspace.h"

namespace kit::test {

QStringList CallRecorder::only(const QStringList& names) const
{
    QStringList out;
    for (const QString& call : calls_)
        if (names.contains(call.section(QLatin1Char(' '), 0, 0)))
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
