#include "kit/foundation/SoundFile.h"

#include <QFile>
#include <QSaveFile>

#include <cmath>

namespace kit::SoundFile {

namespace {

std::uint32_t soundFileBigU32(const QByteArray& d, qsizetype at)
{
    return (std::uint32_t(std::uint8_t(d[at])) << 24) | (std::uint32_t(std::uint8_t(d[at + 1])) << 16)
        | (std::uint32_t(std::uint8_t(d[at + 2])) << 8) | std::uint32_t(std::uint8_t(d[at + 3]));
}

std::uint16_t soundFileBigU16(const QByteArray& d, qsizetype at)
{
    return std::uint16_t((std::uint16_t(std::uint8_t(d[at])) << 8) | std::uint8_t(d[at + 1]));
}

// The 80-bit extended sample rate of an AIFF COMM chunk.
double soundFileExtended(const QByteArray& d, qsizetype at)
{
    const int exponent = soundFileBigU16(d, at) & 0x7fff;
    std::uint64_t mantissa = 0;
    for (int i = 0; i < 8; ++i)
        mantissa = (mantissa << 8) | std::uint8_t(d[at + 2 + i]);
    if (exponent == 0 && mantissa == 0)
        return 0;
    return std::ldexp(double(mantissa), exponent - 16383 - 63);
}

// Big-endian signed samples of `bytes` bytes each, down to 16 bits.
bool soundFileReadLinear(const QByteArray& d, qsizetype at, qsizetype count, int bytes, Pcm* pcm)
{
    if (bytes < 1 || bytes > 4 || count < 0 || at < 0 || at + count * bytes > d.size())
        return false;
    pcm->samples.resize(std::size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype p = at + i * bytes;
        std::int32_t v = std::int8_t(d[p]);
        if (bytes >= 2)
            v = (v << 8) | std::uint8_t(d[p + 1]);
        else
            v <<= 8;
        pcm->samples[std::size_t(i)] = std::int16_t(v);
    }
    return true;
}

std::int16_t soundFileMuLaw(std::uint8_t byte)
{
    byte = ~byte;
    const int sign = byte & 0x80;
    const int exponent = (byte >> 4) & 7;
    const int mantissa = byte & 0x0f;
    const int magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84;
    return std::int16_t(sign ? -magnitude : magnitude);
}

bool soundFileFail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

// What a WAV header and the player carry: the file's number is only trusted within it.
constexpr double SoundFileMaximumRate = 1000000;

bool soundFileDecodeAiff(const QByteArray& d, Pcm* pcm, QString* error)
{
    const bool aifc = d.mid(8, 4) == "AIFC";
    qsizetype at = 12;
    int channels = 0;
    std::uint32_t frames = 0;
    int bits = 0;
    double rate = 0;
    bool haveComm = false;
    while (at + 8 <= d.size()) {
        const QByteArray id = d.mid(at, 4);
        const qsizetype size = qsizetype(soundFileBigU32(d, at + 4));
        const qsizetype body = at + 8;
        if (size < 0 || body + size > d.size())
            return soundFileFail(error, QStringLiteral("truncated chunk"));
        if (id == "COMM") {
            if (size < 18)
                return soundFileFail(error, QStringLiteral("short COMM chunk"));
            channels = soundFileBigU16(d, body);
            frames = soundFileBigU32(d, body + 2);
            bits = soundFileBigU16(d, body + 6);
            rate = soundFileExtended(d, body + 8);
            if (aifc && (size < 22 || d.mid(body + 18, 4) != "NONE"))
                return soundFileFail(error, QStringLiteral("compressed AIFF-C"));
            haveComm = true;
        } else if (id == "SSND") {
            if (!haveComm)
                return soundFileFail(error, QStringLiteral("SSND before COMM"));
            if (channels < 1 || bits < 1 || bits > 32 || !(rate >= 1 && rate <= SoundFileMaximumRate))
                return soundFileFail(error, QStringLiteral("unsupported format"));
            if (size < 8)
                return soundFileFail(error, QStringLiteral("short SSND chunk"));
            const qsizetype offset = qsizetype(soundFileBigU32(d, body));
            const qsizetype count = qsizetype(frames) * channels;
            const int bytes = (bits + 7) / 8;
            // The samples lie within the chunk, so its size bounds them before anything is allocated.
            if (offset > size - 8 || count > (size - 8 - offset) / bytes)
                return soundFileFail(error, QStringLiteral("truncated sound data"));
            pcm->channels = channels;
            pcm->sampleRate = int(std::lround(rate));
            if (!soundFileReadLinear(d, body + 8 + offset, count, bytes, pcm))
                return soundFileFail(error, QStringLiteral("truncated sound data"));
            return true;
        }
        at = body + size + (size & 1);
    }
    return soundFileFail(error, QStringLiteral("no sound data"));
}

bool soundFileDecodeSnd(const QByteArray& d, Pcm* pcm, QString* error)
{
    if (d.size() < 24)
        return soundFileFail(error, QStringLiteral("short header"));
    const qsizetype offset = qsizetype(soundFileBigU32(d, 4));
    std::uint32_t size = soundFileBigU32(d, 8);
    const std::uint32_t encoding = soundFileBigU32(d, 12);
    const std::uint32_t rate = soundFileBigU32(d, 16);
    const std::uint32_t channels = soundFileBigU32(d, 20);
    if (offset < 24 || offset > d.size() || channels < 1 || channels > 64 || rate < 1 || rate > SoundFileMaximumRate)
        return soundFileFail(error, QStringLiteral("bad header"));
    if (size == 0xffffffffu || offset + qsizetype(size) > d.size())
        size = std::uint32_t(d.size() - offset);
    pcm->channels = int(channels);
    pcm->sampleRate = int(rate);
    if (encoding == 1) {
        // Whole frames only: a file cut short mid-frame loses that frame.
        size -= size % channels;
        pcm->samples.resize(size);
        for (std::uint32_t i = 0; i < size; ++i)
            pcm->samples[i] = soundFileMuLaw(std::uint8_t(d[offset + i]));
        return true;
    }
    if (encoding >= 2 && encoding <= 5) {
        const int bytes = int(encoding) - 1;
        const qsizetype count = qsizetype(size) / bytes;
        return soundFileReadLinear(d, offset, count - count % channels, bytes, pcm) || soundFileFail(error, QStringLiteral("truncated"));
    }
    return soundFileFail(error, QStringLiteral("encoding %1").arg(encoding));
}

void soundFileAppendLe(QByteArray& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

} // namespace

bool decode(const QByteArray& data, Pcm* pcm, QString* error)
{
    // Read aside, so a refused file leaves `pcm` as it was.
    Pcm read;
    bool decoded = false;
    if (data.size() >= 12 && data.startsWith("FORM") && (data.mid(8, 4) == "AIFF" || data.mid(8, 4) == "AIFC"))
        decoded = soundFileDecodeAiff(data, &read, error);
    else if (data.startsWith(".snd"))
        decoded = soundFileDecodeSnd(data, &read, error);
    else
        return soundFileFail(error, QStringLiteral("neither AIFF nor SND"));
    if (decoded)
        *pcm = std::move(read);
    return decoded;
}

QByteArray wavData(const Pcm& pcm)
{
    const std::uint32_t dataBytes = std::uint32_t(pcm.samples.size() * 2);
    QByteArray out;
    out.reserve(int(44 + dataBytes));
    out.append("RIFF");
    soundFileAppendLe(out, 36 + dataBytes, 4);
    out.append("WAVEfmt ");
    soundFileAppendLe(out, 16, 4);
    soundFileAppendLe(out, 1, 2); // PCM
    soundFileAppendLe(out, std::uint32_t(pcm.channels), 2);
    soundFileAppendLe(out, std::uint32_t(pcm.sampleRate), 4);
    soundFileAppendLe(out, std::uint32_t(pcm.sampleRate * pcm.channels * 2), 4);
    soundFileAppendLe(out, std::uint32_t(pcm.channels * 2), 2);
    soundFileAppendLe(out, 16, 2);
    out.append("data");
    soundFileAppendLe(out, dataBytes, 4);
    for (std::int16_t s : pcm.samples)
        soundFileAppendLe(out, std::uint16_t(s), 2);
    return out;
}

bool convertToWav(const QString& source, const QString& wavPath, QString* error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return soundFileFail(error, QStringLiteral("cannot read"));
    Pcm pcm;
    if (!decode(in.readAll(), &pcm, error))
        return false;
    QSaveFile out(wavPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(wavData(pcm)) < 0 || !out.commit())
        return soundFileFail(error, QStringLiteral("cannot write the converted file"));
    return true;
}

} // namespace kit::SoundFile
