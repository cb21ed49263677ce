#include "kit/testsupport/SoundFiles.h"

#include <QFile>

#include <cmath>
#include <cstdint>
#include <numbers>

namespace kit::test {

namespace {

constexpr int toneRate = 8000;

double toneSample(int i) { return 0.4 * std::sin(2 * std::numbers::pi * 440 * i / toneRate); }

void putBig(QByteArray& out, std::uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((v >> (8 * i)) & 0xff));
}

void putLittle(QByteArray& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

// 8000 Hz as an 80-bit extended number.
QByteArray extendedRate()
{
    QByteArray out;
    putBig(out, 16383 + 12, 2); // 8000 = 0x1F40 = 1.953125 * 2^12
    putBig(out, 0xFA000000u, 4);
    putBig(out, 0, 4);
    return out;
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray bigSamples(int bits, int frames)
{
    QByteArray out;
    for (int i = 0; i < frames; ++i) {
        const double s = toneSample(i);
        if (bits == 8)
            putBig(out, std::uint8_t(std::int8_t(std::lround(s * 127))), 1);
        else
            putBig(out, std::uint16_t(std::int16_t(std::lround(s * 32767))), 2);
    }
    return out;
}

QByteArray aiffData(const QByteArray& form, int bits, int frames, const QByteArray& compression)
{
    QByteArray comm;
    putBig(comm, 1, 2);
    putBig(comm, std::uint32_t(frames), 4);
    putBig(comm, std::uint32_t(bits), 2);
    comm.append(extendedRate());
    if (!compression.isEmpty()) {
        comm.append(compression);
        comm.append(char(0));
        comm.append(char(0)); // empty name, padded
    }
    QByteArray ssnd;
    putBig(ssnd, 0, 4);
    putBig(ssnd, 0, 4);
    ssnd.append(bigSamples(bits, frames));
    QByteArray body = form;
    body.append("COMM");
    putBig(body, std::uint32_t(comm.size()), 4);
    body.append(comm);
    body.append("SSND");
    putBig(body, std::uint32_t(ssnd.size()), 4);
    body.append(ssnd);
    QByteArray out("FORM");
    putBig(out, std::uint32_t(body.size()), 4);
    out.append(body);
    return out;
}

std::uint8_t muLawOf(int sample)
{
    const int sign = sample < 0 ? 0x80 : 0;
    int magnitude = std::min(std::abs(sample), 32635) + 0x84;
    int exponent = 7;
    for (int mask = 0x4000; !(magnitude & mask) && exponent > 0; mask >>= 1)
        --exponent;
    const int mantissa = (magnitude >> (exponent + 3)) & 0x0f;
    return std::uint8_t(~(sign | (exponent << 4) | mantissa));
}

} // namespace

bool writeWavTone(const QString& path, int bitsPerSample, int frames)
{
    const int bytes = bitsPerSample / 8;
    QByteArray data;
    for (int i = 0; i < frames; ++i) {
        const double s = toneSample(i);
        if (bytes == 4)
            putLittle(data, std::uint32_t(std::int32_t(std::lround(s * 2147483647.0))), 4);
        else
            putLittle(data, std::uint16_t(std::int16_t(std::lround(s * 32767))), 2);
    }
    QByteArray out("RIFF");
    putLittle(out, std::uint32_t(36 + data.size()), 4);
    out.append("WAVEfmt ");
    putLittle(out, 16, 4);
    putLittle(out, 1, 2);
    putLittle(out, 1, 2);
    putLittle(out, toneRate, 4);
    putLittle(out, std::uint32_t(toneRate * bytes), 4);
    putLittle(out, std::uint32_t(bytes), 2);
    putLittle(out, std::uint32_t(bitsPerSample), 2);
    out.append("data");
    putLittle(out, std::uint32_t(data.size()), 4);
    out.append(data);
    return writeFile(path, out);
}

bool writeAiffTone(const QString& path, int bitsPerSample, int frames)
{
    return writeFile(path, aiffData("AIFF", bitsPerSample, frames, {}));
}

bool writeAifcTone(const QString& path, const QByteArray& compression, int frames)
{
    return writeFile(path, aiffData("AIFC", 16, frames, compression));
}

bool writeSndTone(const QString& path, bool muLaw, int frames)
{
    QByteArray out(".snd");
    putBig(out, 24, 4);
    putBig(out, std::uint32_t(frames * (muLaw ? 1 : 2)), 4);
    putBig(out, muLaw ? 1 : 3, 4);
    putBig(out, toneRate, 4);
    putBig(out, 1, 4);
    for (int i = 0; i < frames; ++i) {
        const int s = int(std::lround(toneSample(i) * 32767));
        if (muLaw)
            putBig(out, muLawOf(s), 1);
        else
            putBig(out, std::uint16_t(std::int16_t(s)), 2);
    }
    return writeFile(path, out);
}

} // namespace kit::test
