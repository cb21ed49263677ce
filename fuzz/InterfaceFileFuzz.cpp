// Feeds arbitrary bytes to the interface-file loader with an owner that has no outlets.

#include "kit/core/Exception.h"
#include "kit/foundation/NibLoader.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = (kit::setLogSink([](const QString&) {}), true);
    (void)quiet;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    auto owner = kit::make<kit::Object>();
    kit::Array top;
    kit::NibLoader::loadInterfaceData(bytes, QStringLiteral("fuzz"), owner.get(), &top);
    return 0;
}
