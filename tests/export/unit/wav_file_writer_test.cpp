// WAV files of an image-sequence export: a header that players read (format,
// rate, channels, sizes filled in at the end) and the samples little-endian.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ScratchDir.h"
#include "export/WavFileWriter.h"

namespace {

uint32_t little(const std::string& bytes, size_t at, int count)
{
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

} // namespace

TEST(WavFileWriter, HeaderDescribesTheSamplesWrittenInPieces)
{
    ScratchDir dir;
    WavFileWriter wav;
    std::string problem;
    ASSERT_TRUE(wav.open(dir.file("sound.wav"), 48000, 2, 0x3, problem)) << problem;
    const std::vector<int16_t> first = {1, -1, 256, -32768};
    const std::vector<int16_t> second = {32767, 2};
    ASSERT_TRUE(wav.write(first.data(), 2, problem)) << problem;
    ASSERT_TRUE(wav.write(second.data(), 1, problem)) << problem;
    ASSERT_TRUE(wav.finish(problem)) << problem;

    const std::string bytes = dir.read("sound.wav");
    ASSERT_EQ(bytes.size(), 44u + 12u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(little(bytes, 4, 4), 36u + 12u);
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(little(bytes, 20, 2), 1u) << "PCM";
    EXPECT_EQ(little(bytes, 22, 2), 2u) << "channels";
    EXPECT_EQ(little(bytes, 24, 4), 48000u) << "rate";
    EXPECT_EQ(little(bytes, 28, 4), 48000u * 4) << "bytes per second";
    EXPECT_EQ(little(bytes, 32, 2), 4u) << "bytes per frame";
    EXPECT_EQ(little(bytes, 34, 2), 16u) << "bits";
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(little(bytes, 40, 4), 12u);
    const std::vector<int16_t> expected = {1, -1, 256, -32768, 32767, 2};
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(static_cast<int16_t>(little(bytes, 44 + 2 * i, 2)), expected[i]) << "sample " << i;
}

TEST(WavFileWriter, SurroundCarriesItsChannelMask)
{
    ScratchDir dir;
    WavFileWriter wav;
    std::string problem;
    ASSERT_TRUE(wav.open(dir.file("surround.wav"), 48000, 6, 0x3F, problem)) << problem;
    const std::vector<int16_t> frame = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(wav.write(frame.data(), 1, problem) && wav.finish(problem)) << problem;

    const std::string bytes = dir.read("surround.wav");
    ASSERT_EQ(bytes.size(), 68u + 12u);
    EXPECT_EQ(little(bytes, 4, 4), 60u + 12u);
    EXPECT_EQ(little(bytes, 16, 4), 40u) << "the extensible format's size";
    EXPECT_EQ(little(bytes, 20, 2), 0xFFFEu) << "WAVE_FORMAT_EXTENSIBLE";
    EXPECT_EQ(little(bytes, 22, 2), 6u);
    EXPECT_EQ(little(bytes, 32, 2), 12u) << "bytes per frame";
    EXPECT_EQ(little(bytes, 38, 2), 16u) << "valid bits";
    EXPECT_EQ(little(bytes, 40, 4), 0x3Fu) << "FL FR FC LFE BL BR";
    EXPECT_EQ(little(bytes, 44, 4), 1u) << "the PCM sub-format";
    EXPECT_EQ(bytes.substr(60, 4), "data");
    EXPECT_EQ(little(bytes, 64, 4), 12u);
    EXPECT_EQ(little(bytes, 68 + 10, 2), 6u) << "samples follow the header";
}

TEST(WavFileWriter, UnwritablePlaceIsReported)
{
    WavFileWriter wav;
    std::string problem;
    EXPECT_FALSE(wav.open("/nonexistent/folder/sound.wav", 44100, 2, 0x3, problem));
    EXPECT_FALSE(problem.empty());
}
