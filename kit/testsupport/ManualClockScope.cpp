#include "kit/testsupport/ManualClockScope.h"

#include "kit/foundation/RunLoop.h"

#include <ctime>

namespace kit::test {

ManualClockScope::ManualClockScope(double epoch)
    : clock_(std::make_shared<ManualClock>(epoch))
{
    RunLoop::main().resetForTesting();
    previous_ = Clock::install(clock_);
}

ManualClockScope::~ManualClockScope()
{
    RunLoop::main().resetForTesting();
    Clock::install(previous_);
}

EnvironmentScope::EnvironmentScope(const char* name, const char* value)
    : name_(name)
    , had_(qEnvironmentVariableIsSet(name))
    , old_(qgetenv(name))
{
    qputenv(name, value);
    tzset();
}

EnvironmentScope::~EnvironmentScope()
{
    if (had_)
        qputenv(name_, old_);
    else
        qunsetenv(name_);
    tzset();
}

} // namespace kit::test
