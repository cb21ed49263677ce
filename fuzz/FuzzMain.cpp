// The libFuzzer side: one executable per target, named by JVL_FUZZ_TARGET at compile time.

#include "fuzz/FuzzEntries.h"

#include "kit/core/Exception.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {

jvl::fuzz::Entry fuzzEntry = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
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
