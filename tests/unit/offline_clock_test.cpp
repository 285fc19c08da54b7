// The offline clock and exact tune ranges that exports use: a range yields
// exactly the frames the tune has there (and silence past its end), ranges
// that meet in seconds meet in frames, and the spectrum at a time is the one
// of the music at that time, whatever order the times come in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "OggTestFile.h"
#include "timeline/OfflineClock.h"
#include "OggWriter.h"
#include "timeline/TuneRangeReader.h"
#include "timeline/OggSource.h"
#include "timeline/VorbisDecoder.h"

namespace {

// 2 s of 44.1 kHz stereo: a 1 kHz sine for the first second, silence after,
// and a different level per channel so that channel order shows.
class HalfSineTune {
public:
    HalfSineTune() : path_(OggTestFile::uniquePath(".ogg"))
    {
        const double step = 2.0 * std::acos(-1.0) * 1000.0 / 44100.0;
        written_ = writeOggVorbis(
            path_, OggWriterFormat{44100, 2, 0.4f}, 88200, [&](float** buffers, long first, int count) {
                for (int i = 0; i < count; ++i) {
                    const long frame = first + i;
                    const float value = frame < 44100 ? static_cast<float>(std::sin(step * frame)) : 0.0f;
                    buffers[0][i] = value;
                    buffers[1][i] = 0.5f * value;
                }
            });
    }
    ~HalfSineTune() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }
    bool written() const { return written_; }

private:
    std::string path_;
    bool written_ = false;
};

const HalfSineTune& tune()
{
    static HalfSineTune file;
    return file;
}

std::vector<int16_t> decodeAll(const std::string& path)
{
    VorbisDecoder decoder;
    std::string problem;
    EXPECT_TRUE(decoder.open(OggSource::open(path.c_str(), problem), problem)) << problem;
    std::vector<int16_t> samples(decoder.totalFrames() * 2);
    int done = 0;
    while (static_cast<uint64_t>(done) < decoder.totalFrames()) {
        const int got = decoder.readInterleaved16(samples.data() + 2 * done,
                                                  static_cast<int>(decoder.totalFrames()) - done);
        if (got <= 0)
            break;
        done += got;
    }
    return samples;
}

std::vector<int16_t> readRange(const std::string& path, uint64_t first, uint64_t end, int chunk)
{
    TuneRangeReader reader;
    std::string problem;
    EXPECT_TRUE(reader.open(path.c_str(), first, end, problem)) << problem;
    std::vector<int16_t> samples;
    std::vector<int16_t> buffer(static_cast<size_t>(chunk) * 2);
    while (reader.framesLeft() > 0) {
        const int got = reader.read(buffer.data(), chunk);
        samples.insert(samples.end(), buffer.begin(), buffer.begin() + 2 * got);
    }
    EXPECT_EQ(reader.read(buffer.data(), chunk), 0) << "nothing after the range";
    EXPECT_EQ(reader.damage(), "") << "an intact tune, past its end too";
    return samples;
}

} // namespace

TEST(TuneRangeReader, RangesAreSampleExactAndJoinIntoTheWhole)
{
    ASSERT_TRUE(tune().written());
    const std::vector<int16_t> whole = decodeAll(tune().path());
    ASSERT_EQ(whole.size(), 88200u * 2);

    // An odd start inside the sine, an odd chunk size: the same samples as decoding through.
    const std::vector<int16_t> middle = readRange(tune().path(), 12345, 54321, 1000);
    ASSERT_EQ(middle.size(), (54321u - 12345u) * 2);
    EXPECT_TRUE(std::equal(middle.begin(), middle.end(), whole.begin() + 2 * 12345));

    // Two ranges that meet at a time in seconds, read separately, make the whole range.
    const double meet = 0.7;
    const uint64_t split = TuneRangeReader::frameAt(meet, 44100);
    const std::vector<int16_t> first = readRange(tune().path(), 0, split, 4096);
    const std::vector<int16_t> second = readRange(tune().path(), TuneRangeReader::frameAt(meet, 44100), 88200, 333);
    std::vector<int16_t> joined = first;
    joined.insert(joined.end(), second.begin(), second.end());
    EXPECT_EQ(joined, whole);
}

TEST(TuneRangeReader, PastTheEndReadsSilenceOfTheRangesLength)
{
    ASSERT_TRUE(tune().written());
    const std::vector<int16_t> tail = readRange(tune().path(), 88000, 90000, 512);
    ASSERT_EQ(tail.size(), 2000u * 2);
    for (size_t i = 2 * 200; i < tail.size(); ++i)
        ASSERT_EQ(tail[i], 0) << "sample " << i << " lies past the tune's end";

    const std::vector<int16_t> beyond = readRange(tune().path(), 100000, 100100, 64);
    EXPECT_EQ(beyond, std::vector<int16_t>(200, 0));

    TuneRangeReader reader;
    std::string problem;
    EXPECT_FALSE(reader.open(tune().path().c_str(), 10, 5, problem)) << "a range that ends before it starts";
    EXPECT_FALSE(reader.open("/nonexistent/tune.ogg", 0, 5, problem));
    EXPECT_FALSE(problem.empty());
}

// 10 s of noise with bytes overwritten in the middle: the decoder skips the
// pages there and the sound after them would come early; the range reader
// says where instead of reading on as if nothing happened.
TEST(TuneRangeReader, DamagedDataIsReportedWithItsPlace)
{
    const std::string path = OggTestFile::uniquePath(".ogg");
    uint32_t noise = 1;
    ASSERT_TRUE(writeOggVorbis(path, OggWriterFormat{44100, 1, 0.4f}, 441000, [&](float** buffers, long, int count) {
        for (int i = 0; i < count; ++i) {
            noise = noise * 1664525u + 1013904223u;
            buffers[0][i] = static_cast<float>(noise >> 8) / 16777216.0f - 0.5f;
        }
    }));
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    std::fseek(file, 0, SEEK_END);
    std::fseek(file, std::ftell(file) / 2, SEEK_SET);
    const std::vector<char> junk(5000, 'x');
    std::fwrite(junk.data(), 1, junk.size(), file);
    std::fclose(file);

    TuneRangeReader reader;
    std::string problem;
    ASSERT_TRUE(reader.open(path.c_str(), 0, 441000, problem)) << problem;
    std::vector<int16_t> buffer(4096);
    while (reader.framesLeft() > 0)
        reader.read(buffer.data(), 4096);
    EXPECT_EQ(reader.damage().rfind("damaged Ogg data at ", 0), 0u) << reader.damage();
    std::remove(path.c_str());
}

TEST(TuneRangeReader, FrameAtRoundsToTheNearestFrame)
{
    EXPECT_EQ(TuneRangeReader::frameAt(0.0, 44100), 0u);
    EXPECT_EQ(TuneRangeReader::frameAt(-1.0, 44100), 0u);
    EXPECT_EQ(TuneRangeReader::frameAt(1.0 / 60.0, 44100), 735u);
    EXPECT_EQ(TuneRangeReader::frameAt(1.0 / 3.0, 48000), 16000u);
    // 0.1 s is a hair below 0.1 in binary; the frame must still be 4410.
    EXPECT_EQ(TuneRangeReader::frameAt(0.1, 44100), 4410u);
}

TEST(OfflineClock, SpectrumFollowsTheMusicAtAnyTimeInAnyOrder)
{
    ASSERT_TRUE(tune().written());
    OfflineClock clock;
    std::string problem;
    ASSERT_TRUE(clock.open(tune().path().c_str(), problem)) << problem;
    EXPECT_EQ(clock.sampleRate(), 44100);
    EXPECT_EQ(clock.tuneFrames(), 88200u);
    EXPECT_DOUBLE_EQ(clock.tuneSeconds(), 2.0);

    // 1 kHz falls between bins 92 and 93 (of 4096 at 44.1 kHz); the two
    // channels average to a sine of 0.75.
    const int bin = static_cast<int>(std::lround(1000.0 * 4096 / 44100));
    std::vector<float> early(OfflineClock::kSpectrumBins);
    std::vector<float> late(OfflineClock::kSpectrumBins);
    std::vector<float> earlyAgain(OfflineClock::kSpectrumBins);
    clock.spectrumAt(0.25, early.data());
    clock.spectrumAt(1.5, late.data());
    clock.spectrumAt(0.25, earlyAgain.data());
    EXPECT_GT(early[bin], 0.5f);
    EXPECT_LT(early[bin], 0.8f);
    EXPECT_LT(late[bin], 0.01f) << "the second second is silent";
    EXPECT_EQ(early, earlyAgain) << "going back in time gives the same spectrum";

    clock.spectrumAt(5.0, late.data());
    EXPECT_EQ(*std::max_element(late.begin(), late.end()), 0.0f) << "past the end is silence";
}

TEST(OfflineClock, WithoutATuneTheSpectrumIsZero)
{
    OfflineClock clock;
    std::string problem;
    EXPECT_FALSE(clock.open("/nonexistent/tune.ogg", problem));
    EXPECT_FALSE(problem.empty());
    EXPECT_FALSE(clock.hasTune());
    EXPECT_EQ(clock.tuneSeconds(), 0.0);
    std::vector<float> spectrum(OfflineClock::kSpectrumBins, 1.0f);
    clock.spectrumAt(0.5, spectrum.data());
    EXPECT_EQ(*std::max_element(spectrum.begin(), spectrum.end()), 0.0f);
}
