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

#include "JVLAppKit/JVLCrashReporter/JVLCrashReporter.h"
#include "components/LiveLink/LiveLinkData.h"
#include "components/LiveLink/LiveLinkServer.h"
#include "kit/appkit/DesktopEntry.h"
#include "kit/appkit/PasteboardStore.h"
#include "kit/foundation/BusNames.h"
#include "kit/foundation/Connection.h"
#include "kit/foundation/HttpRequestReader.h"
#include "kit/foundation/Json.h"
#include "kit/foundation/MultipartFormReader.h"
#include "kit/foundation/SoundFile.h"
#include "kit/testsupport/FakeBus.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QStringDecoder>

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

// Reads the fuzzer's bytes as a sequence of small fields.
class ByteFields {
public:
    ByteFields(const std::uint8_t* data, std::size_t size)
        : data_(data)
        , size_(size)
    { }
    bool atEnd() const { return at_ >= size_; }
    std::uint8_t byte() { return atEnd() ? 0 : data_[at_++]; }
    // One byte of length, then that many bytes (cut at the end of the input).
    QByteArray bytes()
    {
        const std::size_t length = std::min<std::size_t>(byte(), size_ - at_);
        const QByteArray out = bytesOf(data_ + at_, length);
        at_ += length;
        return out;
    }
    QString text() { return QString::fromUtf8(bytes()); }
    QByteArray rest()
    {
        const QByteArray out = bytesOf(data_ + at_, size_ - at_);
        at_ = size_;
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// AIFF, AIFF-C and SND files: samples or a reason, never both; samples of whole frames, never more
// than the file's bytes can hold, at a rate a WAV header can carry.
void soundFile(const std::uint8_t* data, std::size_t size)
{
    kit::SoundFile::Pcm pcm;
    QString error;
    const bool decoded = kit::SoundFile::decode(bytesOf(data, size), &pcm, &error);
    require(decoded == error.isEmpty(), "a sound file decodes or says why");
    if (!decoded) {
        require(pcm.channels == 0 && pcm.sampleRate == 0 && pcm.samples.empty(), "a refused sound file leaves nothing half-read");
        return;
    }
    require(pcm.channels >= 1 && pcm.sampleRate >= 1 && pcm.sampleRate <= 1000000, "a decoded sound has channels and a plausible rate");
    require(pcm.samples.size() % std::size_t(pcm.channels) == 0, "a decoded sound holds whole frames");
    require(pcm.samples.size() <= size, "a decoded sound holds no more samples than its file has bytes");
    require(kit::SoundFile::wavData(pcm).size() == qsizetype(44 + 2 * pcm.samples.size()), "a decoded sound converts to WAV");
}

struct HttpOutcome {
    kit::HttpRequestReader::State state;
    kit::HttpRequest request;
};

HttpOutcome httpRead(const QByteArray& bytes, const std::vector<qsizetype>& pieces, qsizetype maximumHead, qsizetype maximumBody)
{
    kit::HttpRequestReader reader(maximumHead, maximumBody);
    qsizetype at = 0;
    for (std::size_t i = 0; at < bytes.size(); ++i) {
        const qsizetype piece = pieces.empty() ? bytes.size() : std::min(pieces[i % pieces.size()], bytes.size() - at);
        reader.append(bytes.constData() + at, piece);
        at += piece;
    }
    return { reader.state(), reader.request() };
}

bool sameRequest(const kit::HttpRequest& a, const kit::HttpRequest& b)
{
    return a.raw == b.raw && a.method == b.method && a.target == b.target && a.headers == b.headers && a.body == b.body;
}

void checkMultipart(const QByteArray& body, const QByteArray& boundary)
{
    const auto fields = kit::parseMultipartForm(body, boundary);
    if (!fields)
        return;
    require(!boundary.isEmpty(), "a form needs a boundary");
    const QByteArray delimiter = "\r\n--" + boundary;
    for (const kit::MultipartField& field : *fields) {
        require(!field.value.contains(delimiter), "a form field's value never holds the delimiter");
        require(body.contains(field.value), "a form field's value is a piece of the body");
        require(!field.name.contains('"'), "a form field's name ends at its quote");
    }
}

// HTTP requests from any local program: the same bytes in any pieces read the same; a complete
// request keeps its bounds and has exactly Content-Length bytes of body. The first byte picks
// the pieces; a form body (or, by itself, the text after the first line) is read as multipart.
void httpRequest(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    const HttpOutcome whole = httpRead(bytes, {}, 512, 1024);
    const qsizetype seed = size ? data[0] : 0;
    for (const std::vector<qsizetype>& pieces : { std::vector<qsizetype> { 1 }, std::vector<qsizetype> { 1 + seed % 7, 2, 1 + seed % 13 } }) {
        const HttpOutcome split = httpRead(bytes, pieces, 512, 1024);
        require(split.state == whole.state, "a request split anywhere reads the same");
        if (whole.state == kit::HttpRequestReader::Complete)
            require(sameRequest(split.request, whole.request), "a request split anywhere parses the same");
    }
    if (whole.state == kit::HttpRequestReader::Complete) {
        const kit::HttpRequest& request = whole.request;
        const qsizetype head = request.raw.size() - request.body.size();
        require(head <= 512 && request.body.size() <= 1024, "a complete request keeps its bounds");
        require(request.raw.endsWith(request.body) && request.raw.mid(head - 4, 4) == "\r\n\r\n", "the body follows the blank line");
        const auto length = request.header("Content-Length");
        require(length ? length->toLongLong() == request.body.size() : request.body.isEmpty(), "the body is Content-Length bytes");
        if (const auto type = request.header("Content-Type"))
            checkMultipart(request.body, kit::multipartBoundary(*type));
    }
    const qsizetype newline = bytes.indexOf('\n');
    if (newline >= 0)
        checkMultipart(bytes.mid(newline + 1), kit::multipartBoundary(bytes.left(newline)));
}

QString desktopListText(const QStringList& elements)
{
    QString text;
    for (QString element : elements) {
        element.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char(';'), QLatin1String("\\;"));
        element.replace(QLatin1Char(' '), QLatin1String("\\s")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
        element.replace(QLatin1Char('\t'), QLatin1String("\\t")).replace(QLatin1Char('\r'), QLatin1String("\\r"));
        text += element + QLatin1Char(';');
    }
    return text;
}

// Desktop entries found in the application folders: a group or none; lists and Exec lines that,
// written back with their escapes and quotes, read the same.
void desktopEntry(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    const auto entry = kit::DesktopEntry::entryWithData(bytes);
    bool hasGroup = false;
    for (const QByteArray& line : bytes.split('\n'))
        hasGroup = hasGroup || QString::fromUtf8(line).trimmed() == QLatin1String("[Desktop Entry]");
    require(entry.has_value() == hasGroup, "an entry is read exactly when it has its group");
    if (!entry)
        return;
    for (const QString& key : { QStringLiteral("Name"), QStringLiteral("Exec"), QStringLiteral("MimeType"), QStringLiteral("Categories"),
             QStringLiteral("X-LiveLinkServer") }) {
        const QStringList list = entry->listForKey(key);
        const QString written = QStringLiteral("[Desktop Entry]\nK=") + desktopListText(list) + QLatin1Char('\n');
        const auto again = kit::DesktopEntry::entryWithData(written.toUtf8());
        require(again && again->listForKey(QStringLiteral("K")) == list, "a list written with its escapes reads the same");

        const QStringList words = kit::DesktopEntry::splitExec(entry->stringForKey(key));
        QStringList quoted;
        for (QString word : words) {
            for (const char* special : { "\\", "\"", "`", "$" })
                word.replace(QLatin1String(special), QLatin1String("\\") + QLatin1String(special));
            quoted << QLatin1Char('"') + word + QLatin1Char('"');
        }
        require(kit::DesktopEntry::splitExec(quoted.join(QLatin1Char(' '))) == words, "an Exec line written with quotes splits the same");
    }
}

// The shared pasteboard folder as another process left it: the first piece (up to a NUL) is the
// manifest, then pairs of type name and bytes become type files. What is read names each type once,
// with its data, and a change count a later write can still count on from.
void pasteboardStore(const std::uint8_t* data, std::size_t size)
{
    const QString name = QStringLiteral("fuzz-%1").arg(QCoreApplication::applicationPid());
    const QString root = kit::PasteboardStore::rootFolder();
    require(!root.isEmpty(), "the pasteboard store has a folder");
    const QString folder = root + QLatin1Char('/') + *kit::PasteboardStore::escapedName(name);
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QList<QByteArray> pieces = bytesOf(data, size).split('\0');
    auto writeFile = [&](const QString& file, const QByteArray& bytes) {
        QFile out(folder + QLatin1Char('/') + file);
        if (out.open(QIODevice::WriteOnly))
            out.write(bytes);
    };
    writeFile(QStringLiteral("manifest"), pieces.value(0));
    for (qsizetype i = 1; i + 1 < pieces.size(); i += 2)
        if (const auto type = kit::PasteboardStore::escapedName(QString::fromUtf8(pieces[i])))
            writeFile(QStringLiteral("type-") + *type, pieces[i + 1]);

    const auto contents = kit::PasteboardStore::read(name);
    if (contents) {
        require(contents->changeCount >= 0, "a stored change count is never negative");
        require(QStringList(contents->types).removeDuplicates() == 0, "each type is read once");
        require(contents->data.size() == std::size_t(contents->types.size()), "every type read has its data, and no other");
        for (const QString& type : contents->types)
            require(contents->data.count(type) == 1, "every type read has its data");
        const std::int64_t count = kit::PasteboardStore::write(name, contents->types, contents->data);
        require(count == contents->changeCount + 1, "a write counts on from what was read");
    }
    require(kit::PasteboardStore::changeCount(name) >= 0, "a stored change count is never negative");
    kit::PasteboardStore::remove(name);
}

// Link data stored with a client's item: every question answers its kind, never an exception.
void liveLinkDataDictionary(const QByteArray& bytes)
{
    const auto plist = kit::PropertyList::propertyListFromData(bytes);
    if (!plist || !plist->isDictionary())
        return;
    const kit::Dictionary& data = plist->dictionary();
    try {
        LiveLinkData::liveLinkAppData(data);
        LiveLinkData::liveLinkSourceApplicationName(data);
        LiveLinkData::liveLinkActionName(data);
        LiveLinkData::liveLinkEditMenuTitle(data);
        LiveLinkData::liveLinkVersion(data);
        LiveLinkData::liveLinkApplicationURL(data);
        LiveLinkData::liveLinkDataBelongsToActiveApplication(data);
        const double refresh = LiveLinkData::liveLinkSuggestedRefreshRate(data);
        require(std::isfinite(refresh) && refresh >= 0, "a suggested refresh rate is a finite, non-negative number of seconds");
    } catch (...) {
        require(false, "link data answers without raising");
    }
}

// What a peer sends to a published live-link server and the links it makes, through the fake
// bus: every call is answered or refused, never an exception into the event loop.
void liveLinkCalls(ByteFields& in)
{
    kit::test::FakeBus bus;
    kit::Connection::setBusTransportForTesting(bus.connect());
    auto peer = bus.connect();
    // Published as a server application publishes it, under a name of its own (the fuzz program
    // has no bundle identifier).
    const QString registered = liveLinkServerName(QStringLiteral("org.example.fuzz"), QStringLiteral("Fuzz"));
    const auto server = LiveLinkServer::initWithNameDelegate(QStringLiteral("Fuzz"), nullptr);
    const auto connection = kit::Connection::connectionWithRootObject(server);
    require(connection->registerName(registered), "the server is published on the fake bus");
    const auto busName = kit::BusNameForRegisteredName(registered);
    require(busName.has_value(), "the server has a bus name");
    const QString rootPath = QStringLiteral("/kit/roots/") + QString(*busName).replace(u'.', u'/');
    static const QStringList members { QStringLiteral("initiateLiveLinkFromClient"), QStringLiteral("remoteCloseLink"),
        QStringLiteral("requestEditWithPasteboardName"), QStringLiteral("refreshEditWithPasteboardName"), QStringLiteral("init"),
        QStringLiteral("dealloc"), QStringLiteral("description") };
    std::vector<QString> paths { rootPath };
    for (int calls = 0; !in.atEnd() && calls < 16; ++calls) {
        const std::uint8_t what = in.byte();
        const QString path = (what & 0x80) ? in.text() : paths[(what & 0x7f) % paths.size()];
        const std::uint8_t which = in.byte();
        const QString member = which < 0xf0 ? members[which % members.size()] : in.text();
        std::vector<kit::BusArgument> arguments;
        for (int n = in.byte() % 6; n > 0; --n) {
            const std::uint8_t kind = in.byte();
            QString text = in.text();
            if (kind & 1)
                text = (kind & 2) ? paths[kind % paths.size()] : QStringLiteral("/kit/objects/") + text;
            arguments.push_back({ (kind & 1) ? kit::BusArgument::Kind::ObjectPath : kit::BusArgument::Kind::String, text });
        }
        try {
            const auto answer = peer->call(*busName, path, member, arguments, 1000, nullptr);
            if (answer)
                for (const kit::BusArgument& argument : *answer)
                    if (argument.kind == kit::BusArgument::Kind::ObjectPath && paths.size() < 8)
                        paths.push_back(argument.text);
            peer->send(*busName, path, member, arguments);
            QCoreApplication::sendPostedEvents();
        } catch (...) {
            require(false, "a peer's call is answered or refused, never raised into the event loop");
        }
    }
    // The peer leaves: the links it opened close.
    peer.reset();
    QCoreApplication::sendPostedEvents();
    connection->invalidate();
    kit::Connection::setBusTransportForTesting(nullptr);
    QCoreApplication::sendPostedEvents();
}

// The first byte chooses: even, link data as a property list; odd, calls from a peer.
void liveLink(const std::uint8_t* data, std::size_t size)
{
    kit::AutoreleasePool pool;
    ByteFields in(data, size);
    if (in.byte() % 2 == 0) {
        liveLinkDataDictionary(in.rest());
        return;
    }
    liveLinkCalls(in);
}

int jsonDepth(const kit::Value& value)
{
    int depth = 0;
    if (value.isArray())
        for (const kit::Value& element : value.array())
            depth = std::max(depth, jsonDepth(element));
    if (value.isDictionary())
        for (const auto& entry : value.dictionary())
            depth = std::max(depth, jsonDepth(entry.second));
    return value.isArray() || value.isDictionary() ? depth + 1 : 0;
}

// JSON on its own: a value or an error, within the depth and size asked for; what is read
// writes and reads back equal, integers staying integers and reals reals.
void json(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    QString error;
    const auto value = kit::Json::read(bytes, &error);
    require(value.has_value() == error.isEmpty(), "JSON reads as a value or an error");
    kit::Json::ReadOptions tight;
    tight.maxDepth = 4;
    tight.maxBytes = 256;
    QString tightError;
    const auto bounded = kit::Json::read(bytes, &tightError, tight);
    require(bounded.has_value() == tightError.isEmpty(), "bounded JSON reads as a value or an error");
    require(!bounded || (size <= 256 && jsonDepth(*bounded) <= 5), "bounded JSON keeps its bounds");
    require(!bounded || (value && bounded->isEqual(*value)), "a bound refuses or reads the same");
    if (!value)
        return;
    const auto written = kit::Json::write(*value, &error);
    require(written.has_value(), "what is read can be written");
    const auto again = kit::Json::read(*written, &error);
    require(again && again->isEqual(*value), "written JSON reads back equal");
    require(kit::Json::write(*again) == written, "written JSON writes the same again");
}

// An earlier crash file, perhaps cut short by the crash or any file in the folder: the newest
// report in it, or the message that it cannot be read.
void crashLog(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    const QString report = lastCrashReportInData(bytes);
    const QString separator = QStringLiteral("\n\n**********\n\n");
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        require(report == QLatin1String("*** Couldn't read Report ***"), "a file that is not UTF-8 gives the message");
        return;
    }
    require(!report.contains(separator) && text.endsWith(report), "the report is the file's last piece");
    require(report.size() == text.size() || text.chopped(report.size()).endsWith(separator), "the report starts after a separator");
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
        { QStringLiteral("soundFile"), soundFile },
        { QStringLiteral("httpRequest"), httpRequest },
        { QStringLiteral("desktopEntry"), desktopEntry },
        { QStringLiteral("pasteboardStore"), pasteboardStore },
        { QStringLiteral("liveLink"), liveLink },
        { QStringLiteral("json"), json },
        { QStringLiteral("crashLog"), crashLog },
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
