#pragma once

// Short synthesised tones written by tests in the formats the sound code reads: WAV (16 or 32 bit),
// AIFF and AIFF-C, SND (linear 16-bit or mu-law). Each is a sine of `frames` frames at 8000 Hz, mono.

#include <QString>

namespace kit::test {

bool writeWavTone(const QString& path, int bitsPerSample = 16, int frames = 400);
bool writeAiffTone(const QString& path, int bitsPerSample = 16, int frames = 400);
// An AIFF-C file with the compression type given ("NONE" is uncompressed).
bool writeAifcTone(const QString& path, const QByteArray& compression, int frames = 400);
bool writeSndTone(const QString& path, bool muLaw, int frames = 400);

} // namespace kit::test
