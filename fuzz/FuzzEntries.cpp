#include "fuzz/FuzzEntries.h"

#include "kit/appkit/Dragging.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/core/AutoreleasePool.h"
#include "kit/core/Error.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/FrameText.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/foundation/NibLoader.h"
#include "kit/foundation/NumberFormatter.h"
#include "kit/foundation/PropertyList.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/graphics/ImageSource_p.h"
#include "kit/text/RtfReader.h"

#include <QBuffer>
#include <QByteArray>
#include <QMimeData>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace jvl::fuzz {

namespace {

// A broken promise of a reader: say which and stop, so the fuzzer keeps the input.
void require(bool holds, const char* promise)
{
    if (!holds) {
        std::fprintf(stderr, "reader promise broken: %s\n", promise);
        std::abort();
    }
}

QByteArray bytesOf(const std::uint8_t* data, std::size_t size) { return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)); }

void unarchiver(const std::uint8_t* data, std::size_t size)
{
    kit::AutoreleasePool pool;
    const QByteArray bytes = bytesOf(data, size);

    QString error;
    const kit::Value root = kit::KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(bytes, &error);
    require(root.isNil() || error.isEmpty(), "an unarchived root comes without an error");

    error.clear();
    const auto formatter = kit::KeyedUnarchiver::unarchivedObjectOfClass(kit::NumberFormatter::staticClass(), bytes, &error);
    require(formatter ? error.isEmpty() : !error.isEmpty(), "a strict read answers an object or an error");
    require(!formatter || formatter->isKindOfClass(kit::NumberFormatter::staticClass()), "a strict read answers the class asked for");

    error.clear();
    const auto indexes = kit::KeyedUnarchiver::unarchivedValueOfKind(kit::Value::Kind::IndexSet, bytes, &error);
    require(indexes ? error.isEmpty() : !error.isEmpty(), "a strict value read answers a value or an error");
    require(!indexes || indexes->kind() == kit::Value::Kind::IndexSet, "a strict value read answers the kind asked for");
}

void interfaceFile(const std::uint8_t* data, std::size_t size)
{
    kit::AutoreleasePool pool;
    auto owner = kit::make<kit::Object>();
    kit::Array top;
    QString error;
    const bool loaded = kit::NibLoader::loadInterfaceData(bytesOf(data, size), QStringLiteral("fuzz"), owner.get(), &top, &error);
    require(loaded ? error.isEmpty() : !error.isEmpty(), "an interface file loads or says why");
    require(loaded || top.count() == 0, "a failed interface file hands out no objects");
}

void propertyList(const std::uint8_t* data, std::size_t size)
{
    QString error;
    const auto plist = kit::PropertyList::propertyListFromData(bytesOf(data, size), &error);
    require(plist ? error.isEmpty() : !error.isEmpty(), "a property list reads or says why");
    if (!plist)
        return;
    require(kit::PropertyList::isPropertyList(*plist), "what is read is a property list");
    const auto written = kit::PropertyList::dataFromPropertyList(*plist, &error);
    require(written.has_value(), "what is read can be written again");
    const auto again = kit::PropertyList::propertyListFromData(*written);
    require(again && again->isEqual(*plist), "a written property list reads back equal");
}

void defaultsFile(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = bytesOf(data, size);
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    QSettings::SettingsMap map;
    if (!kit::readDefaultsFile(file, map)) {
        require(map.isEmpty(), "an unreadable defaults file adds nothing");
        return;
    }
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        require(kit::PropertyList::propertyListFromData(it.value().toByteArray()).has_value(), "every default read holds a property list");

    QByteArray rewritten;
    QBuffer out(&rewritten);
    out.open(QIODevice::WriteOnly);
    require(kit::writeDefaultsFile(out, map), "what is read can be written again");
    QBuffer in(&rewritten);
    in.open(QIODevice::ReadOnly);
    QSettings::SettingsMap again;
    require(kit::readDefaultsFile(in, again), "a written defaults file reads back");
    require(again.keys() == map.keys(), "a written defaults file keeps every key");
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const auto before = kit::PropertyList::propertyListFromData(it.value().toByteArray());
        const auto after = kit::PropertyList::propertyListFromData(again.value(it.key()).toByteArray());
        require(before && after && before->isEqual(*after), "a written defaults file keeps every value");
    }
}

void stringsTable(const std::uint8_t* data, std::size_t size)
{
    bool broken = false;
    const kit::Bundle::Table table = kit::Bundle::stringsTableFromData(bytesOf(data, size), &broken);
    require(!broken || table.isEmpty(), "a broken strings table answers nothing");
}

void bundleInfo(const std::uint8_t* data, std::size_t size)
{
    const auto info = kit::Bundle::dictionaryFromJsonData(bytesOf(data, size));
    require(!info || kit::PropertyList::isPropertyList(kit::Value(*info)), "Info.json reads as a property-list dictionary");
}

void frameText(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(bytesOf(data, size));
    const auto frame = kit::savedFrameFromString(text);
    const auto fields = kit::savedFrameFields(text);
    require(frame.has_value() == (fields.size() >= 4), "a saved frame needs four numeric fields");
    for (double f : fields)
        require(std::isfinite(f), "saved frame fields are finite numbers");
    const auto origin = kit::originKeepingSavedTopLeft(text, kit::MakeSize(100, 50));
    require(origin.has_value() == frame.has_value(), "a top-left origin comes from a saved frame");
    if (origin)
        require(std::isfinite(origin->x) && std::isfinite(origin->y), "a restored origin is finite");
}

// The bytes are records: one byte choosing the format, two bytes of length, then the payload.
void dragData(const std::uint8_t* data, std::size_t size)
{
    kit::AutoreleasePool pool;
    static const QStringList formats { QStringLiteral("text/plain"), QStringLiteral("text/uri-list"),
        QStringLiteral("application/x-kit-pasteboard;type=NSStringPboardType"),
        QStringLiteral("application/x-kit-pasteboard;type=KitArchivedObject"),
        QStringLiteral("application/x-kit-pasteboard;type="), QStringLiteral("image/png") };
    QMimeData mime;
    std::size_t at = 0;
    while (at + 3 <= size) {
        const QString format = formats.at(data[at] % formats.size());
        const std::size_t length = std::min<std::size_t>(size - at - 3, std::size_t(data[at + 1]) << 8 | data[at + 2]);
        mime.setData(format, bytesOf(data + at + 3, length));
        at += 3 + length;
    }
    const auto board = kit::ExternalDrag::pasteboardFromMimeData(mime);
    for (const QString& type : board->types()) {
        board->stringForType(type);
        QString error;
        const auto object = kit::KeyedUnarchiver::unarchivedObjectOfClass(kit::NumberFormatter::staticClass(), board->dataForType(type), &error);
        require(object ? error.isEmpty() : !error.isEmpty(), "archived drag data reads or says why");
    }
    const QString kitPrefix = QStringLiteral("application/x-kit-pasteboard;type=");
    for (const QString& format : mime.formats())
        if (format.startsWith(kitPrefix) && format.size() > kitPrefix.size())
            require(board->dataForType(format.mid(kitPrefix.size())) == mime.data(format), "drag data of a kit type arrives unchanged");
}

// RTF text (the licence window's): a text or an error, never both; the text's runs cover it and carry
// only the attributes the reader sets.
void rtf(const std::uint8_t* data, std::size_t size)
{
    kit::AutoreleasePool pool;
    kit::Ref<kit::Error> error;
    const std::optional<kit::AttributedString> text = kit::ReadRtf(bytesOf(data, size), &error);
    require(text.has_value() != bool(error), "RTF reads as a text or an error");
    if (!text)
        return;
    int covered = 0;
    for (const auto& run : text->runs()) {
        require(run.start == covered && run.length > 0, "the text's runs cover it in order");
        covered += run.length;
        for (const auto& [name, value] : run.attributes) {
            const QString key = name.stringValue();
            require(key == kit::FontAttributeName || key == kit::ForegroundColorAttributeName || key == kit::UnderlineStyleAttributeName,
                "RTF text carries only font, colour and underline");
        }
    }
    require(covered == text->length(), "the runs cover the whole text");
}

// PNG files read reduced, row by row (thumbnails of pictures too large to decode whole): a picture of
// the size asked for, or none.
void pngThumbnail(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    for (const QSize asked : { QSize(1, 1), QSize(7, 5) }) {
        const QImage image = kit::imagesource::readPNGReduced(bytes, asked);
        require(image.isNull() || image.size() == asked, "a reduced PNG has the size asked for");
    }
}

} // namespace

const std::vector<Target>& targets()
{
    static const std::vector<Target> all {
        { QStringLiteral("unarchiver"), unarchiver },
        { QStringLiteral("interfaceFile"), interfaceFile },
        { QStringLiteral("propertyList"), propertyList },
        { QStringLiteral("defaultsFile"), defaultsFile },
        { QStringLiteral("stringsTable"), stringsTable },
        { QStringLiteral("bundleInfo"), bundleInfo },
        { QStringLiteral("frameText"), frameText },
        { QStringLiteral("dragData"), dragData },
        { QStringLiteral("rtf"), rtf },
        { QStringLiteral("pngThumbnail"), pngThumbnail },
    };
    return all;
}

Entry entryNamed(const QString& name)
{
    for (const Target& t : targets())
        if (t.name == name)
            return t.entry;
    return nullptr;
}

} // namespace jvl::fuzz
