// Tunes in the formats other than Ogg Vorbis (WAV 16/24/32-bit and float,
// FLAC, Ogg Opus, MP3), made for each test with libsndfile: each decodes to
// its length, seeks to the exact frame, plays as the demo's clock with its
// spectrum, reads exact ranges for the export and stops at damage, and a
// file that cannot be played is refused with one line saying why.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ScratchDir.h"
#include "SoundTestFile.h"
#include "timeline/MusicStream.h"
#include "timeline/TuneFile.h"
#include "timeline/TuneRangeReader.h"

namespace {

// 1.5 s of a 997 Hz sine at half scale, 44.1 kHz stereo (Opus: 48 kHz).
const OggSignal kSine{1.5, 44100, 2, 997.0, 0.5};

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sample `frame` of the sine at 16 bits, as libsndfile writes it (full scale 32767).
int sineSample16(size_t frame)
{
    const double step = 2.0 * 3.14159265358979323846 * kSine.frequencyHz / kSine.sampleRate;
    const float value = static_cast<float>(kSine.amplitude * std::sin(step * static_cast<double>(frame)));
    return static_cast<int>(std::lrint(value * 32767.0f));
}

int rateOf(SoundFormat format)
{
    return format == SoundFormat::Opus ? 48000 : kSine.sampleRate;
}

// Writes the sine in `format` into `dir`. False when it cannot; a failure,
// except for MP3 where libsndfile was built without lame (the Windows
// build's): that format is then left out.
bool writeSine(const ScratchDir& dir, const SoundFormatName& format, std::string& path)
{
    path = dir.file(std::string("tune") + format.suffix);
    if (writeSoundFile(path, format.format, kSine))
        return true;
    if (format.format == SoundFormat::Mp3)
        std::printf("note: this libsndfile writes no MP3; MP3 left out\n");
    else
        ADD_FAILURE() << "cannot write " << format.name;
    return false;
}

std::unique_ptr<TuneDecoder> openDecoder(const std::string& path)
{
    std::string problem;
    auto file = TuneFile::open(path.c_str(), problem);
    EXPECT_TRUE(file) << problem;
    if (!file)
        return nullptr;
    auto decoder = file->openDecoder(problem);
    EXPECT_TRUE(decoder) << problem;
    return decoder;
}

// The whole tune, decoded from the start in blocks of odd sizes.
std::vector<int16_t> decodeAll(TuneDecoder& decoder)
{
    std::vector<int16_t> all;
    std::vector<int16_t> block(1237 * static_cast<size_t>(decoder.channels()));
    int got = 0;
    while ((got = decoder.readInterleaved16(block.data(), 1237)) > 0)
        all.insert(all.end(), block.begin(), block.begin() + got * decoder.channels());
    return all;
}

// Opens `path` as the music and returns what went to standard error.
std::string refusalOf(const std::string& path)
{
    MusicStream stream;
    testing::internal::CaptureStderr();
    const bool opened = stream.open(path.c_str());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(opened) << path;
    EXPECT_EQ(stream.positionBytes(), 0u);
    return said;
}

int loudestBin(const std::vector<float>& magnitudes)
{
    return static_cast<int>(std::max_element(magnitudes.begin() + 1, magnitudes.end()) - magnitudes.begin());
}

} // namespace

TEST(TuneFormats, EveryFormatDecodesToItsLengthAndSeeksToTheExactFrame)
{
    for (const SoundFormatName& format : soundFormats()) {
        SCOPED_TRACE(format.name);
        ScratchDir dir;
        std::string path;
        if (!writeSine(dir, format, path))
            continue;
        auto decoder = openDecoder(path);
        ASSERT_TRUE(decoder);
        const uint64_t written = static_cast<uint64_t>(kSine.seconds * rateOf(format.format));
        EXPECT_EQ(decoder->sampleRate(), rateOf(format.format));
        EXPECT_EQ(decoder->channels(), 2);
        EXPECT_EQ(decoder->totalFrames(), written);
        const std::vector<int16_t> all = decodeAll(*decoder);
        ASSERT_EQ(all.size(), 2 * written);

        if (!format.lossy) { // PCM and FLAC give back the sine as written: 16 bits exactly
            const int tolerance = format.format == SoundFormat::Wav16 || format.format == SoundFormat::Flac ? 0 : 1;
            int worst = 0;
            for (size_t i = 0; i < written; ++i)
                worst = std::max(worst, std::abs(all[2 * i] - sineSample16(i)));
            EXPECT_LE(worst, tolerance);
        }

        // Every seek gives what a decode from the start gives there,
        // including seeks into the last packet and to the very end.
        const std::vector<uint64_t> targets = {
            0,           1,       4095, 4096, written / 3, written / 2, written - 5000, written - 960, written - 100,
            written - 1, written, 7};
        std::vector<int16_t> block(700 * 2);
        for (uint64_t target : targets) {
            SCOPED_TRACE("seek to " + std::to_string(target));
            ASSERT_TRUE(decoder->seek(target));
            const int want = static_cast<int>(std::min<uint64_t>(700, written - target));
            ASSERT_EQ(decoder->readInterleaved16(block.data(), 700), want);
            EXPECT_TRUE(std::equal(block.begin(), block.begin() + 2 * want, all.begin() + 2 * target));
        }
        EXPECT_FALSE(decoder->seek(written + 1));

        // The spectrum's mono samples are the channels' mean.
        ASSERT_TRUE(decoder->seek(written / 2));
        std::vector<float> mono(500);
        ASSERT_EQ(decoder->readMono(mono.data(), 500), 500);
        for (size_t i = 0; i < mono.size(); ++i)
            ASSERT_NEAR(mono[i], (all[written + 2 * i] + all[written + 2 * i + 1]) / 65536.0f, 1e-4f) << i;
    }
}

TEST(TuneFormats, EachFormatIsTheDemosClockWithItsSpectrum)
{
    for (const SoundFormatName& format : soundFormats()) {
        SCOPED_TRACE(format.name);
        ScratchDir dir;
        std::string path;
        if (!writeSine(dir, format, path))
            continue;
        MusicStream stream;
        testing::internal::CaptureStderr();
        ASSERT_TRUE(stream.open(path.c_str()));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        const int rate = rateOf(format.format);
        EXPECT_EQ(stream.sampleRate(), rate);
        EXPECT_EQ(stream.lengthBytes(), static_cast<uint64_t>(kSine.seconds * rate) * 4);
        ASSERT_TRUE(stream.seekBytes(110000));
        EXPECT_EQ(stream.positionBytes(), 110000u);
        EXPECT_FALSE(stream.seekBytes(stream.lengthBytes() + 4));
        std::vector<float> magnitudes(MusicStream::kSpectrumBins);
        stream.spectrum(magnitudes.data());
        // Bin k covers k / 4096 of the rate.
        const double expectedBin = kSine.frequencyHz * 4096.0 / rate;
        EXPECT_NEAR(loudestBin(magnitudes), expectedBin, 1.0);
        EXPECT_NEAR(magnitudes[static_cast<size_t>(loudestBin(magnitudes))], kSine.amplitude, 0.2);
    }
}

TEST(TuneFormats, ExportRangesAreExactAndDamageStopsThem)
{
    ScratchDir dir;
    std::string path;
    ASSERT_TRUE(writeSine(dir, soundFormats()[4], path)); // FLAC
    auto decoder = openDecoder(path);
    ASSERT_TRUE(decoder);
    const std::vector<int16_t> all = decodeAll(*decoder);

    TuneRangeReader range;
    std::string problem;
    ASSERT_TRUE(range.open(path.c_str(), 30001, 50001, problem)) << problem;
    std::vector<int16_t> read(20000 * 2);
    ASSERT_EQ(range.read(read.data(), 20000), 20000);
    EXPECT_TRUE(std::equal(read.begin(), read.end(), all.begin() + 2 * 30001));
    EXPECT_EQ(range.damage(), "");

    // Cut short: the frames the file no longer holds are damage, said with the time.
    const std::string tune = readAll(path);
    const std::string cut = dir.write("cut.flac", tune.substr(0, tune.size() * 6 / 10));
    ASSERT_TRUE(range.open(cut.c_str(), 0, all.size() / 2, problem)) << problem;
    std::vector<int16_t> whole(all.size());
    EXPECT_EQ(range.read(whole.data(), static_cast<int>(all.size() / 2)), static_cast<int>(all.size() / 2));
    EXPECT_EQ(range.damage().rfind("damaged FLAC data at ", 0), 0u) << range.damage();
}

TEST(TuneFormats, FloatSamplesAboveFullScaleClipInsteadOfWrapping)
{
    ScratchDir dir;
    const std::string path = dir.file("loud.wav");
    ASSERT_TRUE(writeSoundSamples(path, SoundFormat::WavFloat, 44100, 1, {1.5f, -1.5f, 0.5f, 3.0f}));
    auto decoder = openDecoder(path);
    ASSERT_TRUE(decoder);
    int16_t samples[4] = {};
    ASSERT_EQ(decoder->readInterleaved16(samples, 4), 4);
    EXPECT_EQ(std::vector<int16_t>(samples, samples + 4), (std::vector<int16_t>{32767, -32768, 16384, 32767}));
}

TEST(TuneFormats, FilesThatCannotBePlayedAreRefusedWithOneLineSayingWhy)
{
    ScratchDir dir;
    std::string opus;
    ASSERT_TRUE(writeSine(dir, soundFormats()[5], opus));
    const std::string opusBytes = readAll(opus);
    struct Case {
        std::string path;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {dir.write("notes.mp3", "just some text, no music here\n"),
         "not an Ogg Vorbis, Ogg Opus, FLAC, WAV or MP3 file"},
        {dir.write("headless.flac", "fLaC" + std::string(100, 'x')), "FLAC"},
        {dir.write("odd.wav", std::string("RIFF\x10\0\0\0WAVEjunkjunkjunk", 24)), "WAV"},
        {dir.write("cut.opus", opusBytes.substr(0, opusBytes.size() / 2)), "Ogg data"},
        {dir.write("empty.flac", ""), "the file is empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string said = refusalOf(c.path);
        EXPECT_EQ(said.rfind(c.path + ": cannot play the music: ", 0), 0u) << said;
        EXPECT_NE(said.find(c.reason), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}
