// The tune's file as the music stream finds it in a demo folder: where its
// Ogg data ends whatever follows it, and every kind of file that cannot be
// played, each refused with one line that names the file and says why.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "OggTestFile.h"
#include "ScratchDir.h"
#include "timeline/AudioOutput.h"
#include "timeline/MusicStream.h"
#include "timeline/OggSource.h"
#include "timeline/VorbisDecoder.h"

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const OggTestFile& shortTune() // 1 s of a 440 Hz sine, 44.1 kHz stereo
{
    static OggTestFile file(OggSignal{1.0, 44100, 2, 440.0, 0.5});
    return file;
}

std::shared_ptr<OggSource> openSource(const std::string& path)
{
    std::string problem;
    auto source = OggSource::open(path.c_str(), problem);
    EXPECT_TRUE(source) << path << ": " << problem;
    return source;
}

// Opens `path` as the music and returns what went to standard error.
std::string refusalOf(const std::string& path)
{
    MusicStream stream;
    testing::internal::CaptureStderr();
    bool opened = stream.open(path.c_str());
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(opened) << path;
    EXPECT_EQ(stream.positionBytes(), 0u);
    EXPECT_FALSE(stream.seekBytes(4));
    return said;
}

} // namespace

TEST(TuneFile, OggDataEndsAtTheLastPageWhateverFollows)
{
    ASSERT_TRUE(shortTune().written());
    const std::string tune = readAll(shortTune().path());
    ScratchDir dir;

    // A sparse tail of 3 GB of zero bytes: only the tune is ever read.
    std::string padded = dir.write("padded.ogg", tune);
    std::filesystem::resize_file(padded, tune.size() + (3ull << 30));
    auto source = openSource(padded);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->extent().dataEnd, tune.size());
    EXPECT_FALSE(source->extent().cutShort);

    // A damaged stretch between two pages is stepped over.
    size_t secondPage = tune.find("OggS", 1);
    ASSERT_NE(secondPage, std::string::npos);
    std::string damaged = tune.substr(0, secondPage) + std::string(3000, 'x') + tune.substr(secondPage);
    source = openSource(dir.write("damaged.ogg", damaged));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->extent().dataEnd, damaged.size());

    // Cut inside a page: the data ends with the last whole page.
    std::string cut = tune.substr(0, tune.size() - 100);
    source = openSource(dir.write("cut.ogg", cut));
    ASSERT_TRUE(source);
    EXPECT_TRUE(source->extent().cutShort);
    EXPECT_LT(source->extent().dataEnd, cut.size());
    EXPECT_EQ(source->extent().dataEnd, tune.rfind("OggS"));
}

TEST(TuneFile, TuneFollowedByZerosPlaysAsTheTuneAlone)
{
    ScratchDir dir;
    std::string padded = dir.write("tune.ogg", readAll(shortTune().path()));
    std::filesystem::resize_file(padded, std::filesystem::file_size(padded) + (2ull << 30));

    MusicStream stream;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(stream.open(padded.c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(stream.lengthBytes(), 44100u * 4u);
    EXPECT_TRUE(stream.seekBytes(stream.lengthBytes() - 4000));
    EXPECT_EQ(stream.positionBytes(), stream.lengthBytes() - 4000);
}

TEST(TuneFile, UnplayableFilesAreRefusedWithOneLineSayingWhy)
{
    ASSERT_TRUE(shortTune().written());
    const std::string tune = readAll(shortTune().path());
    ScratchDir dir;
    std::string folder = dir.file("folder.ogg");
    std::filesystem::create_directory(folder);
    OggTestFile silent(OggSignal{0.0, 44100, 2, 440.0, 0.0});
    ASSERT_TRUE(silent.written());

    struct Case {
        std::string path;
        std::string reason;
    };
    std::vector<Case> cases = {
        {dir.file("missing.ogg"), "No such file or directory"},
        {folder, "is a directory"},
        {dir.write("empty.ogg", ""), "the file is empty"},
        {dir.write("text.ogg", "just some text, no music here\n"), "not an Ogg Vorbis"},
        {dir.write("zeros.ogg", std::string(200000, '\0')), "not an Ogg Vorbis"},
        {dir.write("short.ogg", tune.substr(0, 20)), "cut short"},
        {dir.write("headers-cut.ogg", tune.substr(0, tune.find("OggS", 1) + 60)), "cut short"},
        {silent.path(), "no samples"},
    };
#if !defined(_WIN32)
    const std::string fifo = dir.file("fifo.ogg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    cases.push_back({fifo, "is a named pipe"});
    cases.push_back({"/dev/zero", "is a device"});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string said = refusalOf(c.path);
        EXPECT_EQ(said.rfind(c.path + ": cannot play the music: ", 0), 0u) << said;
        EXPECT_NE(said.find(c.reason), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

TEST(TuneFile, TuneCutShortAfterItsHeadersPlaysWhatItHas)
{
    OggTestFile longer(OggSignal{8.0, 44100, 2, 440.0, 0.5}); // several pages of sound
    ASSERT_TRUE(longer.written());
    const std::string tune = readAll(longer.path());
    ScratchDir dir;
    std::string cut = dir.write("cut.ogg", tune.substr(0, tune.size() * 6 / 10));
    MusicStream stream;
    ASSERT_TRUE(stream.open(cut.c_str()));
    EXPECT_GT(stream.lengthBytes(), 0u);
    EXPECT_LT(stream.lengthBytes(), 8u * 44100u * 4u);
    std::vector<float> magnitudes(MusicStream::kSpectrumBins);
    stream.spectrum(magnitudes.data());
    EXPECT_GT(*std::max_element(magnitudes.begin(), magnitudes.end()), 0.1f);
}

TEST(TuneFile, SurroundChannelsComeOutInTheOrderOfTheirWavMask)
{
    ScratchDir dir;
    ASSERT_TRUE(OggTestFile::writeSurround(dir.file("tune.ogg")));
    VorbisDecoder decoder;
    std::string problem;
    ASSERT_TRUE(decoder.open(openSource(dir.file("tune.ogg")), problem)) << problem;
    EXPECT_EQ(VorbisDecoder::channelMask(6), 0x3Fu) << "FL FR FC LFE BL BR";
    std::vector<int16_t> samples(48000 * 6);
    ASSERT_EQ(decoder.readInterleaved16(samples.data(), 48000), 48000);
    for (int c = 0; c < 6; ++c) {
        double sum = 0.0;
        for (size_t i = static_cast<size_t>(c); i < samples.size(); i += 6)
            sum += static_cast<double>(samples[i]) * samples[i];
        const double peak = std::sqrt(2.0 * sum / 48000.0) / 32768.0;
        EXPECT_NEAR(peak, kSurroundLevels[c], 0.25 * kSurroundLevels[c]) << "channel " << c;
    }
}

// SDL takes 3 and 5 channels for 2.1 and 4.1: a 3.0 or 5.0 tune goes to a 5.1
// device, its centre on the centre speaker, never on the LFE.
TEST(TuneFile, ThreeAndFiveChannelTunesReachTheirSpeakersOnA51Device)
{
    EXPECT_EQ(audioDeviceChannels(2), 2);
    EXPECT_EQ(audioDeviceChannels(6), 6);
    const int16_t three[] = {1, 2, 3, 11, 12, 13}; // FL FR FC, two frames
    const int16_t five[] = {1, 2, 3, 4, 5};        // FL FR FC BL BR
    int16_t out[12];
    ASSERT_EQ(audioDeviceChannels(3), 6);
    spreadToDeviceChannels(three, 3, out, 2);
    EXPECT_EQ(std::vector<int16_t>(out, out + 12), (std::vector<int16_t>{1, 2, 3, 0, 0, 0, 11, 12, 13, 0, 0, 0}));
    ASSERT_EQ(audioDeviceChannels(5), 6);
    spreadToDeviceChannels(five, 5, out, 1);
    EXPECT_EQ(std::vector<int16_t>(out, out + 6), (std::vector<int16_t>{1, 2, 3, 0, 4, 5}));
}
