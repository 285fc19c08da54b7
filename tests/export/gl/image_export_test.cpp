// Image-sequence exports on a headless GL context, as every build writes
// them (no FFmpeg involved): the PNG frames hold exactly what was rendered,
// the WAV the range's sound with its clicks where they belong, reruns and
// segments give the same files as the whole, and a wrong request, a failure
// or a cancellation leaves no file. A build without video refuses video
// names in one line.
#include <gtest/gtest.h>

#include <GL/glew.h>
#include <stb_image.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ClickExport.h"
#include "export/ExportTarget.h"
#include "export/VideoExport.h"
#include "render/GlName.h"

namespace {

using ImageExportTest = ClickExportTest;

// The 16-bit samples of a WAV file the export wrote (44-byte header), channels
// averaged.
std::vector<int> wavMono(const std::string& bytes, int channels)
{
    std::vector<int> mono;
    const size_t frameBytes = static_cast<size_t>(channels) * 2;
    for (size_t at = 44; at + frameBytes <= bytes.size(); at += frameBytes) {
        int sum = 0;
        for (int c = 0; c < channels; ++c) {
            const size_t low = at + static_cast<size_t>(c) * 2;
            sum += static_cast<int16_t>(static_cast<uint8_t>(bytes[low]) | static_cast<uint8_t>(bytes[low + 1]) << 8);
        }
        mono.push_back(sum / channels);
    }
    return mono;
}

// The index of the loudest sample of `samples` in [from, to).
long loudest(const std::vector<int>& samples, long from, long to)
{
    long best = from;
    for (long i = from; i < to && i < static_cast<long>(samples.size()); ++i)
        if (std::abs(samples[static_cast<size_t>(i)]) > std::abs(samples[static_cast<size_t>(best)]))
            best = i;
    return best;
}

// "FOLDER/f012.png" for frame 12, or "f012.png" without a folder.
std::string frameName(const std::string& folder, long number)
{
    char name[32];
    std::snprintf(name, sizeof name, "f%03ld.png", number);
    return folder.empty() ? name : folder + "/" + name;
}

} // namespace

TEST_F(ImageExportTest, FramesHoldExactlyWhatWasRenderedAndTheSoundBesideThem)
{
    // A picture with detail: a different colour in every pixel and frame.
    std::vector<std::vector<uint8_t>> rendered;
    auto drawDetail = [&](const ExportFrame& frame) {
        std::vector<uint8_t> pixels(static_cast<size_t>(kClickWidth) * kClickHeight * 4);
        for (int y = 0; y < kClickHeight; ++y)
            for (int x = 0; x < kClickWidth; ++x) {
                uint8_t* p = &pixels[(static_cast<size_t>(y) * kClickWidth + x) * 4];
                p[0] = static_cast<uint8_t>(x * 3 + frame.index);
                p[1] = static_cast<uint8_t>(y * 5);
                p[2] = static_cast<uint8_t>(x ^ y);
                p[3] = static_cast<uint8_t>(frame.index * 40); // alpha is not exported
            }
        const GlName texture = GlName::generate(GlName::Kind::Texture);
        glBindTexture(GL_TEXTURE_2D, texture.get());
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kClickWidth, kClickHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
        const GlName framebuffer = GlName::generate(GlName::Kind::Framebuffer);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer.get());
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture.get(), 0);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glBlitFramebuffer(0, 0, kClickWidth, kClickHeight, 0, 0, kClickWidth, kClickHeight, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        rendered.push_back(pixels);
    };
    ASSERT_TRUE(std::filesystem::create_directory(dir_.file("shots")));
    const ExportResult result = run(settings("shots/frame%04d.png", 1.0, 1.2), drawDetail);
    ASSERT_EQ(result.status, ExportStatus::Done) << result.message;

    ASSERT_EQ(rendered.size(), 6u);
    for (size_t k = 0; k < rendered.size(); ++k) {
        const std::string name = "shots/frame00" + std::to_string(k + 30) + ".png";
        int width = 0;
        int height = 0;
        int channels = 0;
        unsigned char* png = stbi_load(dir_.file(name).c_str(), &width, &height, &channels, 3);
        ASSERT_NE(png, nullptr) << name << " (frames are numbered on the whole demo's count)";
        ASSERT_EQ(width, kClickWidth);
        ASSERT_EQ(height, kClickHeight);
        size_t differences = 0;
        for (int y = 0; y < kClickHeight; ++y)
            for (int x = 0; x < kClickWidth; ++x)
                for (int c = 0; c < 3; ++c) {
                    // PNG rows run top down, GL's bottom up.
                    const size_t from = (static_cast<size_t>(kClickHeight - 1 - y) * kClickWidth + x) * 4 + c;
                    differences += png[(static_cast<size_t>(y) * kClickWidth + x) * 3 + c] != rendered[k][from];
                }
        stbi_image_free(png);
        EXPECT_EQ(differences, 0u) << name << " differs from what was rendered";
    }
    const std::string wav = dir_.read("shots/frame.wav");
    EXPECT_EQ(wav.size(), 44u + static_cast<size_t>(0.2 * kClickSampleRate) * 2 * 2) << "the range's sound, exactly";
    EXPECT_EQ(dir_.list().size(), 1u) << "nothing but the folder of shots";
}

TEST_F(ImageExportTest, ClicksInTheSoundLandOnTheirFlashFrames)
{
    // From 1.0 s: the clicks at 1.3 s and 2.1 s, flashes on frames 39 and 63.
    ASSERT_EQ(run(settings("f%03d.png", 1.0, 2.5)).status, ExportStatus::Done);
    const std::vector<int> sound = wavMono(dir_.read("f.wav"), 2);
    ASSERT_EQ(sound.size(), static_cast<size_t>(1.5 * kClickSampleRate));
    for (double click : {1.3, 2.1}) {
        const long nominal = std::lround((click - 1.0) * kClickSampleRate);
        const long heard = loudest(sound, nominal - kClickSampleRate / 5, nominal + kClickSampleRate / 5);
        EXPECT_NEAR(heard, nominal, 64) << "click at " << click << " s";

        const long flashFrame = std::lround(click * kClickFps);
        int width = 0, height = 0, channels = 0;
        unsigned char* png = stbi_load(dir_.file(frameName("", flashFrame)).c_str(), &width, &height, &channels, 3);
        ASSERT_NE(png, nullptr) << "no frame " << flashFrame;
        EXPECT_EQ(png[0] + png[1] + png[2], 3 * 255) << "frame " << flashFrame << " is the flash of " << click << " s";
        stbi_image_free(png);
    }
}

TEST_F(ImageExportTest, RerunsAndSegmentsGiveTheWholeExportsFilesByteForByte)
{
    for (const char* folder : {"whole", "again", "first", "second"})
        ASSERT_TRUE(std::filesystem::create_directory(dir_.file(folder)));
    ASSERT_EQ(run(settings("whole/f%03d.png", 0.0, 2.0)).status, ExportStatus::Done);
    ASSERT_EQ(run(settings("again/f%03d.png", 0.0, 2.0)).status, ExportStatus::Done);
    ASSERT_EQ(run(settings("first/f%03d.png", 0.0, 0.8)).status, ExportStatus::Done);
    ASSERT_EQ(run(settings("second/f%03d.png", 0.8, 2.0)).status, ExportStatus::Done);

    for (long k = 0; k < 60; ++k) {
        const std::string whole = dir_.read(frameName("whole", k));
        ASSERT_FALSE(whole.empty()) << frameName("whole", k);
        EXPECT_TRUE(whole == dir_.read(frameName("again", k))) << "a rerun differs at frame " << k;
        const char* part = k < 24 ? "first" : "second";
        EXPECT_TRUE(whole == dir_.read(frameName(part, k))) << "the segment " << part << " differs at frame " << k;
    }
    EXPECT_TRUE(dir_.read(frameName("first", 24)).empty()) << "a segment ends where the next starts";

    // The segments' sounds, one after the other, are the whole's sound.
    const std::string whole = dir_.read("whole/f.wav");
    EXPECT_TRUE(whole == dir_.read("again/f.wav")) << "a rerun's sound differs";
    const std::vector<int> wholeSound = wavMono(whole, 2);
    std::vector<int> joined = wavMono(dir_.read("first/f.wav"), 2);
    const std::vector<int> second = wavMono(dir_.read("second/f.wav"), 2);
    joined.insert(joined.end(), second.begin(), second.end());
    EXPECT_EQ(wholeSound.size(), static_cast<size_t>(2 * kClickSampleRate));
    EXPECT_TRUE(joined == wholeSound) << "the segments' sounds do not join into the whole's";
}

TEST_F(ImageExportTest, WrongRequestsAndFailuresLeaveNoFile)
{
    struct Case {
        const char* what;
        ExportSettings settings;
        ExportStatus status;
    };
    std::vector<Case> cases;
    cases.push_back({"unknown extension", settings("demo.avi", 0.0, 1.0), ExportStatus::UsageError});
    cases.push_back({"image of another kind", settings("f%03d.jpg", 0.0, 1.0), ExportStatus::UsageError});
    ExportSettings huge = settings("f%03d.png", 0.0, 1.0);
    huge.width = 1 << 20;
    cases.push_back({"larger than GL allows", huge, ExportStatus::UsageError});
    cases.push_back(
        {"range past the tune", settings("f%03d.png", 2.0, kClickTuneSeconds + 0.5), ExportStatus::UsageError});
    cases.push_back({"empty range", settings("f%03d.png", 1.0, 1.0), ExportStatus::UsageError});
    cases.push_back(
        {"image folder that cannot be made", settings("a-file/frames/f%03d.png", 0.0, 1.0), ExportStatus::Failed});

    dir_.write("a-file", "");
    for (const Case& c : cases) {
        const ExportResult result = run(c.settings);
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_FALSE(result.message.empty()) << c.what;
        EXPECT_EQ(result.message.find('\n'), std::string::npos) << c.what << ": one line";
        EXPECT_EQ(dir_.list(), std::vector<std::string>{"a-file"}) << c.what << " left a file";
    }
}

TEST_F(ImageExportTest, ABuildWithoutVideoRefusesVideoNamesBeforeRendering)
{
    ExportTarget video;
    std::string problem;
    ASSERT_TRUE(video.parse("demo.mp4", problem)) << problem;
    if (exporting::videoExportProblem(video).empty())
        GTEST_SKIP() << "this build writes video";

    for (const char* name : {"demo.mp4", "demo.MKV"}) {
        int rendered = 0;
        const ExportResult result = run(settings(name, 0.0, 1.0), [&](const ExportFrame&) { ++rendered; });
        EXPECT_EQ(result.status, ExportStatus::UsageError) << name;
        EXPECT_NE(result.message.find("image sequences only"), std::string::npos) << result.message;
        EXPECT_EQ(rendered, 0) << name;
        EXPECT_TRUE(dir_.list().empty()) << name << " left " << dir_.list().front();
    }
}

TEST_F(ImageExportTest, CancelStopsCleanlyAndRemovesEveryFrameWritten)
{
    int rendered = 0;
    ExportSettings images = settings("f%03d.png", 0.0, 2.0);
    images.cancelRequested = [&] { return rendered >= 10; };
    const ExportResult result = run(images, [&](const ExportFrame& frame) {
        ++rendered;
        drawFrameNumber(frame);
    });
    EXPECT_EQ(result.status, ExportStatus::Cancelled);
    EXPECT_EQ(rendered, 10) << "no frame is drawn after the request";
    EXPECT_TRUE(dir_.list().empty()) << "left " << dir_.list().front();
}
