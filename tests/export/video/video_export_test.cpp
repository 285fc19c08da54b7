// Video exports on a headless GL context (builds with FFmpeg): frames drawn
// with their number as a colour, encoded, then read back with FFmpeg's
// libraries. Checks what a viewer or a render farm relies on: every frame
// once and in order from a key frame, sound of the range's length in sync
// with the picture, identical bytes from identical exports, segments that
// join by stream copy into the whole, and no file left behind by a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ClickExport.h"
#include "MediaProbe.h"
#include "OggTestFile.h"

namespace {

const int kWidth = kClickWidth;
const int kHeight = kClickHeight;
const int kFps = kClickFps;
const int kSampleRate = kClickSampleRate;
const double kTuneSeconds = kClickTuneSeconds;

using ExportTest = ClickExportTest;

// Frame numbers (mod 64) of every decoded frame, flashes as -1.
std::vector<long> frameCodes(const DecodedMedia& media)
{
    std::vector<long> codes;
    for (uint32_t colour : media.centreColour)
        codes.push_back(
            (colour >> 16 & 255) > 224 && (colour >> 8 & 255) > 224 && (colour & 255) > 224 ? -1 : frameCode(colour));
    return codes;
}

} // namespace

TEST_F(ExportTest, Mp4HoldsEveryFrameOnceFromAKeyFrameWithTheRangesSound)
{
    std::vector<double> times;
    const ExportResult result = run(settings("demo.mp4", 0.5, 2.5), [&](const ExportFrame& frame) {
        times.push_back(frame.seconds);
        drawFrameNumber(frame);
    });
    ASSERT_EQ(result.status, ExportStatus::Done) << result.message;
    EXPECT_EQ(result.frames, 60u);
    ASSERT_EQ(times.size(), 60u);
    EXPECT_DOUBLE_EQ(times[0], 0.5);
    EXPECT_DOUBLE_EQ(times[59], 0.5 + 59.0 / kFps) << "frame k at start + k / fps";

    const DecodedMedia media = decodeMedia(dir_.file("demo.mp4"));
    ASSERT_TRUE(media.opened) << media.problem;
    EXPECT_EQ(media.width, kWidth);
    EXPECT_EQ(media.height, kHeight);
    EXPECT_TRUE(media.firstFrameIsKey);
    ASSERT_EQ(media.frameSeconds.size(), 60u) << "fps x duration frames";
    EXPECT_EQ(frameCodes(media), expectedCodes(15, 60)) << "every frame once, in order";
    for (size_t k = 0; k < media.frameSeconds.size(); ++k)
        ASSERT_NEAR(media.frameSeconds[k], static_cast<double>(k) / kFps, 1e-3) << "frame " << k;

    ASSERT_EQ(media.sampleRate, kSampleRate);
    EXPECT_EQ(media.channels, 2);
    EXPECT_NEAR(static_cast<double>(media.soundMono.size()), 2.0 * kSampleRate, 1024.0)
        << "the range's sound, within one audio frame";
    EXPECT_NEAR(media.soundStartSeconds, 0.0, 1e-6) << "sound and picture start together";
}

TEST_F(ExportTest, ClicksAndTheirFlashesLandOnTheSameFrameInBothContainers)
{
    for (const char* name : {"sync.mp4", "sync.mkv"}) {
        SCOPED_TRACE(name);
        const ExportResult result = run(settings(name, 0.0, 2.5));
        ASSERT_EQ(result.status, ExportStatus::Done) << result.message;
        const DecodedMedia media = decodeMedia(dir_.file(name));
        ASSERT_TRUE(media.opened) << media.problem;

        const std::vector<long> codes = frameCodes(media);
        for (double click : kClickSeconds) {
            // The flash: the frame drawn white.
            const long flashFrame = std::find(codes.begin() + std::lround((click - 0.2) * kFps), codes.end(), -1) -
                                    codes.begin();
            ASSERT_LT(flashFrame, static_cast<long>(codes.size())) << "no flash near " << click << " s";
            // The click: the loudest sample near it in the decoded sound.
            const long from = std::lround((click - 0.2) * kSampleRate);
            const long to = std::lround((click + 0.2) * kSampleRate);
            long loudest = from;
            for (long i = from; i < to && i < static_cast<long>(media.soundMono.size()); ++i)
                if (std::fabs(media.soundMono[static_cast<size_t>(i)]) >
                    std::fabs(media.soundMono[static_cast<size_t>(loudest)]))
                    loudest = i;
            const double heard = media.soundStartSeconds + static_cast<double>(loudest) / kSampleRate;
            const double seen = media.frameSeconds[static_cast<size_t>(flashFrame)];
            EXPECT_NEAR(seen - media.frameSeconds[0], click, 0.5 / kFps)
                << "the flash is on the frame nearest the click";
            EXPECT_NEAR(heard, seen, 1.0 / kFps)
                << "click at " << click << " s heard at " << heard << " s, flash seen at " << seen << " s";
        }
    }
}

TEST_F(ExportTest, MatroskaHoldsTheSameFramesAndSound)
{
    const ExportResult result = run(settings("demo.mkv", 0.0, 1.0));
    ASSERT_EQ(result.status, ExportStatus::Done) << result.message;
    const DecodedMedia media = decodeMedia(dir_.file("demo.mkv"));
    ASSERT_TRUE(media.opened) << media.problem;
    EXPECT_TRUE(media.firstFrameIsKey);
    EXPECT_EQ(frameCodes(media), expectedCodes(0, 30));
    EXPECT_NEAR(static_cast<double>(media.soundMono.size()), 1.0 * kSampleRate, 1024.0);
}

TEST_F(ExportTest, TheSameExportTwiceGivesTheSameBytes)
{
    ASSERT_EQ(run(settings("first.mp4", 0.2, 1.2)).status, ExportStatus::Done);
    ASSERT_EQ(run(settings("second.mp4", 0.2, 1.2)).status, ExportStatus::Done);
    const std::string first = dir_.read("first.mp4");
    EXPECT_GT(first.size(), 1000u);
    EXPECT_TRUE(first == dir_.read("second.mp4")) << "two exports of one range differ";
}

TEST_F(ExportTest, SegmentsJoinedByStreamCopyEqualTheWholeExport)
{
    ASSERT_EQ(run(settings("whole.mp4", 0.0, 2.0)).status, ExportStatus::Done);
    ASSERT_EQ(run(settings("part1.mp4", 0.0, 0.8)).status, ExportStatus::Done);
    ASSERT_EQ(run(settings("part2.mp4", 0.8, 2.0)).status, ExportStatus::Done);
    std::string problem;
    ASSERT_TRUE(concatByStreamCopy({dir_.file("part1.mp4"), dir_.file("part2.mp4")}, dir_.file("parts.txt"),
                                   dir_.file("joined.mp4"), problem))
        << problem;

    const DecodedMedia whole = decodeMedia(dir_.file("whole.mp4"));
    const DecodedMedia joined = decodeMedia(dir_.file("joined.mp4"));
    ASSERT_TRUE(whole.opened && joined.opened) << whole.problem << joined.problem;
    EXPECT_EQ(frameCodes(joined), frameCodes(whole)) << "the same frames, none dropped or repeated";
    ASSERT_EQ(joined.frameSeconds.size(), whole.frameSeconds.size());
    for (size_t k = 0; k < whole.frameSeconds.size(); ++k)
        ASSERT_NEAR(joined.frameSeconds[k], whole.frameSeconds[k], 1e-3) << "frame " << k;
    // The sound is continuous across the join: as long as the whole's, with
    // the same sound at the same times (the encoders saw different amounts of
    // context, so the samples differ by a little coding noise).
    EXPECT_EQ(joined.soundMono.size(), whole.soundMono.size());
    EXPECT_NEAR(joined.soundStartSeconds, whole.soundStartSeconds, 1e-6);
    double worst = 0.0;
    for (size_t i = 0; i < std::min(joined.soundMono.size(), whole.soundMono.size()); ++i)
        worst = std::max(worst, static_cast<double>(std::fabs(joined.soundMono[i] - whole.soundMono[i])));
    EXPECT_LT(worst, 0.1) << "the joined sound departs from the whole's";
}

TEST_F(ExportTest, WrongRequestsAndFailuresLeaveNoFile)
{
    struct Case {
        const char* what;
        ExportSettings settings;
        ExportStatus status;
    };
    std::vector<Case> cases;
    ExportSettings odd = settings("odd.mp4", 0.0, 1.0);
    odd.width = 161;
    cases.push_back({"odd width for video", odd, ExportStatus::UsageError});
    ExportSettings huge = settings("huge.mp4", 0.0, 1.0);
    huge.width = 1 << 20;
    cases.push_back({"larger than GL allows", huge, ExportStatus::UsageError});
    cases.push_back({"range past the tune", settings("long.mp4", 2.0, kTuneSeconds + 0.5), ExportStatus::UsageError});
    cases.push_back({"empty range", settings("empty.mp4", 1.0, 1.0), ExportStatus::UsageError});
    ExportSettings nowhere = settings("demo.mp4", 0.0, 1.0);
    nowhere.output = dir_.file("a-file/deeper/demo.mp4");
    cases.push_back({"folder that cannot be made", nowhere, ExportStatus::Failed});

    dir_.write("a-file", "");
    for (const Case& c : cases) {
        const ExportResult result = run(c.settings);
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_FALSE(result.message.empty()) << c.what;
        EXPECT_EQ(result.message.find('\n'), std::string::npos) << c.what << ": one line";
        EXPECT_EQ(dir_.list(), std::vector<std::string>{"a-file"}) << c.what << " left a file";
    }
}

TEST_F(ExportTest, CancelStopsCleanlyAndRemovesWhatWasWritten)
{
    int rendered = 0;
    auto cancelAfterTen = [&] { return rendered >= 10; };
    auto count = [&](const ExportFrame& frame) {
        ++rendered;
        drawFrameNumber(frame);
    };

    ExportSettings video = settings("demo.mp4", 0.0, 2.0);
    video.cancelRequested = cancelAfterTen;
    const ExportResult result = run(video, count);
    EXPECT_EQ(result.status, ExportStatus::Cancelled);
    EXPECT_EQ(rendered, 10) << "no frame is drawn after the request";
    EXPECT_TRUE(dir_.list().empty()) << "left " << dir_.list().front();
}

TEST_F(ExportTest, ATuneThatDoesNotDecodeFailsAndSoundIsLeftOutOnlyWhenAskedTo)
{
    int rendered = 0;
    ExportSettings broken = settings("broken.mp4", 0.0, 1.0);
    broken.tunePath = dir_.write("tune.ogg", "not an Ogg Vorbis file");
    const ExportResult failed = run(broken, [&](const ExportFrame&) { ++rendered; });
    EXPECT_EQ(failed.status, ExportStatus::Failed);
    EXPECT_NE(failed.message.find("tune.ogg: "), std::string::npos) << failed.message;
    EXPECT_EQ(rendered, 0) << "it stops before the first frame";
    EXPECT_EQ(dir_.list(), std::vector<std::string>{"tune.ogg"}) << "a file was left";

    // Without sound the tune still gives the spectrum, and the file no sound stream.
    ExportSettings silent = settings("silent.mp4", 0.0, 1.0);
    silent.sound = false;
    float loudest = 0.0f;
    const ExportResult done = run(silent, [&](const ExportFrame& frame) {
        loudest = std::max(loudest, *std::max_element(frame.spectrum, frame.spectrum + 2048));
        drawFrameNumber(frame);
    });
    ASSERT_EQ(done.status, ExportStatus::Done) << done.message;
    EXPECT_GT(loudest, 0.0f) << "the click at 0.5 s is in the spectrum";
    const DecodedMedia media = decodeMedia(dir_.file("silent.mp4"));
    ASSERT_TRUE(media.opened) << media.problem;
    EXPECT_EQ(media.frameSeconds.size(), 30u);
    EXPECT_EQ(media.sampleRate, 0) << "no sound stream";
}

TEST_F(ExportTest, SurroundSoundKeepsEachChannelOnItsSpeaker)
{
    ASSERT_TRUE(OggTestFile::writeSurround(dir_.file("surround.ogg")));
    for (const char* name : {"surround.mp4", "surround.mkv"}) {
        SCOPED_TRACE(name);
        ExportSettings s = settings(name, 0.0, 1.5);
        s.tunePath = dir_.file("surround.ogg");
        ASSERT_EQ(run(s).status, ExportStatus::Done);
        const DecodedMedia media = decodeMedia(dir_.file(name));
        ASSERT_TRUE(media.opened) << media.problem;
        EXPECT_EQ(media.channelLayout, "5.1");
        ASSERT_EQ(media.channelPeaks.size(), 6u);
        for (size_t c = 0; c < 6; ++c)
            EXPECT_NEAR(media.channelPeaks[c], kSurroundLevels[c], 0.25 * kSurroundLevels[c]) << "channel " << c;
    }
}
