// Feeds arbitrary bytes to the keyed unarchiver, trusting and strict.

#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/foundation/NumberFormatter.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    kit::KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(bytes, &error);
    kit::KeyedUnarchiver::unarchivedObjectOfClass(kit::NumberFormatter::staticClass(), bytes, &error);
    kit::KeyedUnarchiver::unarchivedValueOfKind(kit::Value::Kind::IndexSet, bytes, &error);
    return 0;
}
