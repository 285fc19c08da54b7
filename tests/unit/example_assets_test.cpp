// The example demo's generated assets: the tune from tunesynth and the
// textures from texgen, checked for what the demo relies on. The tools are
// run from DEMOPLAYER_BINARY_DIR into a temporary folder.

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb_image.h>

#include <vorbis/vorbisfile.h>

#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "ToolRunner.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TestFiles.h"

namespace {

namespace fs = std::filesystem;

// Runs tool NAME from the build folder with the arguments; its exit status.
int runToolStatus(const std::string& name, const std::string& arguments)
{
    const ToolRun run = runTool(name, arguments);
    EXPECT_EQ(run.status == -1, false) << name << " did not run: " << run.err;
    return run.status;
}

std::string quoted(const fs::path& path)
{
    return shellQuoted(path.string());
}

struct Pcm {
    long rate = 0;
    int channels = 0;
    std::vector<float> left, right;
};

bool decode(const fs::path& path, Pcm& pcm)
{
    OggVorbis_File file;
    if (ov_fopen(path.u8string().c_str(), &file) != 0)
        return false;
    vorbis_info* info = ov_info(&file, -1);
    pcm.rate = info->rate;
    pcm.channels = info->channels;
    float** channels = nullptr;
    int section = 0;
    long frames = 0;
    while ((frames = ov_read_float(&file, &channels, 4096, &section)) > 0) {
        pcm.left.insert(pcm.left.end(), channels[0], channels[0] + frames);
        pcm.right.insert(pcm.right.end(), channels[pcm.channels - 1], channels[pcm.channels - 1] + frames);
    }
    ov_clear(&file);
    return frames == 0;
}

double rms(const Pcm& pcm, double fromSeconds, double toSeconds)
{
    size_t first = size_t(fromSeconds * pcm.rate), last = std::min(pcm.left.size(), size_t(toSeconds * pcm.rate));
    double sum = 0.0;
    for (size_t i = first; i < last; ++i)
        sum += 0.5 * (pcm.left[i] * pcm.left[i] + pcm.right[i] * pcm.right[i]);
    return last > first ? std::sqrt(sum / double(last - first)) : 0.0;
}

struct Png {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
    int at(int x, int y, int channel) const
    {
        return rgba[(size_t(y) * size_t(width) + size_t(x)) * 4 + size_t(channel)];
    }
};

bool loadPng(const fs::path& path, Png& png)
{
    int components = 0;
    unsigned char* pixels = stbi_load(path.u8string().c_str(), &png.width, &png.height, &components, 4);
    if (!pixels)
        return false;
    png.rgba.assign(pixels, pixels + size_t(png.width) * size_t(png.height) * 4);
    stbi_image_free(pixels);
    return true;
}

// Mean absolute difference between column a and column b (or rows).
double lineDifference(const Png& png, bool columns, int a, int b)
{
    int length = columns ? png.height : png.width;
    double sum = 0.0;
    for (int i = 0; i < length; ++i) {
        for (int c = 0; c < 4; ++c)
            sum += std::abs(columns ? png.at(a, i, c) - png.at(b, i, c) : png.at(i, a, c) - png.at(i, b, c));
    }
    return sum / (length * 4);
}

// The seam of a tiling texture (last line against the first) must look like
// any line against its neighbour: no more than twice the worst such step.
void expectTilesSeamlessly(const Png& png, const std::string& name)
{
    for (bool columns : {true, false}) {
        int size = columns ? png.width : png.height;
        double worstInside = 0.0;
        for (int i = 0; i + 1 < size; ++i)
            worstInside = std::max(worstInside, lineDifference(png, columns, i, i + 1));
        double seam = lineDifference(png, columns, size - 1, 0);
        EXPECT_LE(seam, 2.0 * worstInside + 1.0)
            << name << ": the " << (columns ? "left and right" : "top and bottom") << " edges do not meet";
    }
}

} // namespace

TEST(ExampleTune, IsEightySecondsOfStereoMusicWithoutGapsOrClipping)
{
    ScratchDir folder;
    fs::path tune = folder.file("tune.ogg");
    ASSERT_EQ(runToolStatus("tunesynth", quoted(tune)), 0);

    Pcm pcm;
    ASSERT_TRUE(decode(tune, pcm)) << "tune.ogg does not decode";
    EXPECT_EQ(pcm.rate, 44100);
    EXPECT_EQ(pcm.channels, 2);
    double seconds = double(pcm.left.size()) / double(pcm.rate);
    EXPECT_GE(seconds, 78.25) << "the demo ends at 78.25 s and must not run out of music before";
    EXPECT_LE(seconds, 81.0);

    float peak = 0.0f;
    for (size_t i = 0; i < pcm.left.size(); ++i)
        peak = std::max({peak, std::fabs(pcm.left[i]), std::fabs(pcm.right[i])});
    EXPECT_LT(peak, 1.0f) << "the tune clips";

    // Something sounds in every bar the demo plays.
    for (int bar = 0; bar < 39; ++bar)
        EXPECT_GT(rms(pcm, bar * 2.0, bar * 2.0 + 2.0), 0.02) << "bar " << bar << " is silent";

    // The scene track follows these sections: the quiet intro, the full
    // groove, the breakdown without drums, the climax.
    double intro = rms(pcm, 0.0, 8.0), groove = rms(pcm, 16.0, 32.0);
    double breakdown = rms(pcm, 48.0, 56.0), climax = rms(pcm, 64.0, 76.0);
    EXPECT_LT(intro, 0.5 * groove);
    EXPECT_LT(breakdown, 0.6 * climax);
    EXPECT_GT(climax, 0.1);
}

TEST(ExampleTextures, ExistTileAndCarryTheirChannels)
{
    ScratchDir folder;
    ASSERT_EQ(runToolStatus("texgen", shellQuoted(folder.path())), 0);

    Png noise, panel, title;
    ASSERT_TRUE(loadPng(folder.file("noise.png"), noise));
    ASSERT_TRUE(loadPng(folder.file("panel.png"), panel));
    ASSERT_TRUE(loadPng(folder.file("title.png"), title));
    EXPECT_EQ(noise.width, 256);
    EXPECT_EQ(noise.height, 256);
    EXPECT_EQ(panel.width, 256);
    EXPECT_EQ(title.width, 512);
    EXPECT_EQ(title.height, 128);

    expectTilesSeamlessly(noise, "noise.png");
    expectTilesSeamlessly(panel, "panel.png");

    // The panel's alpha is its glow mask: partly on, mostly off.
    size_t glowing = 0, pixels = size_t(panel.width) * size_t(panel.height);
    for (size_t i = 0; i < pixels; ++i)
        glowing += panel.rgba[i * 4 + 3] > 128;
    EXPECT_GT(glowing, pixels / 50);
    EXPECT_LT(glowing, pixels / 2);

    // The title's letters (red) sit inside the picture with a dark margin.
    int letterPixels = 0, inMargin = 0;
    for (int y = 0; y < title.height; ++y) {
        for (int x = 0; x < title.width; ++x) {
            bool letter = title.at(x, y, 0) > 200;
            bool margin = x < 8 || y < 8 || x >= title.width - 8 || y >= title.height - 8;
            letterPixels += letter;
            inMargin += margin && title.at(x, y, 0) > 0;
        }
    }
    EXPECT_GT(letterPixels, 2000);
    EXPECT_EQ(inMargin, 0) << "title.png: the letters touch the picture's edge";
}

TEST(ExampleTools, RefuseAMissingOrUnwritableOutput)
{
    EXPECT_EQ(runToolStatus("tunesynth", ""), 2);
    EXPECT_EQ(runToolStatus("texgen", ""), 2);
    EXPECT_EQ(runToolStatus("texgen", "/nonexistent/folder"), 1);
}
