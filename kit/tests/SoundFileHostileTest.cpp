// Sound files as another program may have written them: every number in them is checked before
// it sizes or fills anything, and a refused file leaves the caller's samples as they were.

#include "kit/foundation/SoundFile.h"

#include <gtest/gtest.h>

using namespace kit;

namespace {

QByteArray bigEndian(std::uint64_t value, int bytes)
{
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xff));
    return out;
}

QByteArray chunk(const QByteArray& id, const QByteArray& body, qsizetype claimedSize = -1)
{
    QByteArray out = id + bigEndian(std::uint64_t(claimedSize < 0 ? body.size() : claimedSize), 4) + body;
    if (body.size() & 1)
        out.append('\0');
    return out;
}

// exponent 16383 + 13 with the mantissa's top bit: 8192 Hz; 0x7fff: infinite.
QByteArray comm(int channels, std::uint32_t frames, int bits, int exponent = 16383 + 13)
{
    return chunk("COMM", bigEndian(std::uint64_t(channels), 2) + bigEndian(frames, 4) + bigEndian(std::uint64_t(bits), 2)
            + bigEndian(std::uint64_t(exponent), 2) + bigEndian(0x8000000000000000ull, 8));
}

QByteArray aiff(const QByteArray& chunks) { return "FORM" + bigEndian(std::uint64_t(4 + chunks.size()), 4) + "AIFF" + chunks; }

QByteArray snd(std::uint32_t encoding, std::uint32_t rate, std::uint32_t channels, const QByteArray& data)
{
    return ".snd" + bigEndian(24, 4) + bigEndian(std::uint64_t(data.size()), 4) + bigEndian(encoding, 4) + bigEndian(rate, 4)
        + bigEndian(channels, 4) + data;
}

struct RefusedSound {
    const char* name;
    QByteArray bytes;
};

class SoundFileRefuses : public testing::TestWithParam<RefusedSound> { };

TEST_P(SoundFileRefuses, WithAReasonAndLeavesTheSamplesAlone)
{
    SoundFile::Pcm pcm;
    pcm.channels = 2;
    pcm.sampleRate = 8000;
    pcm.samples = { 1, 2 };
    QString error;
    EXPECT_FALSE(SoundFile::decode(GetParam().bytes, &pcm, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.sampleRate, 8000);
    EXPECT_EQ(pcm.samples, (std::vector<std::int16_t> { 1, 2 }));
}

INSTANTIATE_TEST_SUITE_P(Files, SoundFileRefuses,
    testing::Values(RefusedSound { "EmptySsndChunkAtTheEnd", aiff(comm(1, 0, 16) + chunk("SSND", {})) },
        RefusedSound { "InfiniteAiffRate", aiff(comm(1, 2, 16, 0x7fff) + chunk("SSND", QByteArray(12, '\1'))) },
        RefusedSound { "AiffRatePastAMillion", aiff(comm(1, 2, 16, 16383 + 20) + chunk("SSND", QByteArray(12, '\1'))) },
        RefusedSound { "SndRateOfFourBillion", snd(3, 0xffffffffu, 1, QByteArray(4, '\1')) },
        // Frames the SSND chunk cannot hold, though the bytes of a later chunk could.
        RefusedSound { "SamplesPastTheirChunk", aiff(comm(1, 8, 16) + chunk("SSND", QByteArray(12, '\1')) + chunk("APPL", QByteArray(64, '\2'))) },
        RefusedSound { "SampleOffsetPastTheChunk", aiff(comm(1, 1, 8) + chunk("SSND", bigEndian(100, 4) + QByteArray(6, '\1'))) },
        RefusedSound { "BillionsOfFramesInAFewBytes", aiff(comm(65535, 0xffffffffu, 32) + chunk("SSND", QByteArray(8, '\0'))) }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SoundFileFrames, ASoundCutShortMidFrameKeepsOnlyWholeFrames)
{
    SoundFile::Pcm pcm;
    QString error;
    ASSERT_TRUE(SoundFile::decode(snd(3, 8000, 2, QByteArray(6, '\1')), &pcm, &error)) << error.toStdString();
    EXPECT_EQ(pcm.samples.size(), 2u);
    ASSERT_TRUE(SoundFile::decode(snd(1, 8000, 2, QByteArray(3, '\xff')), &pcm, &error)) << error.toStdString();
    EXPECT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.samples.size(), 2u);
    ASSERT_TRUE(SoundFile::decode(aiff(comm(2, 2, 16) + chunk("SSND", bigEndian(0, 8) + QByteArray(8, '\1'))), &pcm, &error)) << error.toStdString();
    EXPECT_EQ(pcm.sampleRate, 8192);
    EXPECT_EQ(pcm.samples.size(), 4u);
}

} // namespace
