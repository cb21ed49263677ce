#include "kit/appkit/Beep.h"

#include <QApplication>

namespace kit {

namespace {
std::function<void()>& beepHook()
{
    static std::function<void()> hook;
    return hook;
}
} // namespace

void Beep()
{
    if (auto& hook = beepHook())
        hook();
    else
        QApplication::beep();
}

void setBeepHook(std::function<void()> hook) { beepHook() = std::move(hook); }

} // namespace kit
