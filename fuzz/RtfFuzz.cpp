// Feeds arbitrary bytes to the RTF reader; every outcome but a crash or a hang is fine.

#include "kit/core/Error.h"
#include "kit/text/RtfReader.h"

#include <QByteArray>
#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Fonts need a GUI application.
    static int argc = 1;
    static char name[] = "RtfFuzz";
    static char* argv[] = { name, nullptr };
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    kit::Ref<kit::Error> error;
    kit::ReadRtf(bytes, &error);
    return 0;
}
