#pragma once

// Reading uncompressed AIFF and SND (Sun audio) files and writing 16-bit PCM WAV, which is what the
// sound player can read. Compressed AIFF-C and other encodings are refused with a reason.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace kit::SoundFile {

struct Pcm {
    int channels = 0;
    int sampleRate = 0;
    std::vector<std::int16_t> samples; // interleaved
};

// Decodes an AIFF (COMM and SSND chunks, big-endian PCM of 8 to 32 bits) or SND file (linear PCM or
// mu-law). False with a reason otherwise.
bool decode(const QByteArray& data, Pcm* pcm, QString* error);
QByteArray wavData(const Pcm& pcm);
// Reads `source`, writes `wavPath`; false with a reason when it cannot.
bool convertToWav(const QString& source, const QString& wavPath, QString* error);

} // namespace kit::SoundFile
