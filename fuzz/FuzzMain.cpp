// The libFuzzer side: one executable per target, named by JVL_FUZZ_TARGET at compile time.

#include "fuzz/FuzzEntries.h"

#include "kit/core/Exception.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

namespace {

jvl::fuzz::Entry fuzzEntry = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Fonts (the RTF reader makes them) need a GUI application.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the program ends with exit() from the fuzzer, and Qt's font caches stay
    // reachable through the application rather than half torn down when the leak check runs.
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    (void)app;
    kit::setLogSink([](const QString&) {});
    fuzzEntry = jvl::fuzz::entryNamed(QStringLiteral(JVL_FUZZ_TARGET));
    if (!fuzzEntry) {
        std::fprintf(stderr, "no fuzz target %s\n", JVL_FUZZ_TARGET);
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzEntry(data, size);
    return 0;
}
