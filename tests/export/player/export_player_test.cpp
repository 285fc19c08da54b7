// demoplayer --export end to end: the real player, with DISPLAY unset, renders
// a small demo whose tune clicks at known times and whose scene track flashes
// white at those rows; the files are read back with FFmpeg's libraries. The
// other frames show their own number (from iGlobalTime) as a colour, so a
// dropped, repeated or shifted frame shows. Checks what a viewer and a render
// farm rely on: sync, frame count, identical reruns, segments that equal and
// join into the whole, lossless image sequences, and clean refusals.
#include <gtest/gtest.h>

#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "MediaProbe.h"
#include "OggWriter.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

namespace {

const int kFps = 30;
const double kRowsPerSecond = 60.0; // two rows per frame, as "rows_per_second" below says
const int kSampleRate = 44100;
const double kTuneSeconds = 3.0; // the demo ends with its tune, at row 180
const long kFrames = 90;
// Frames whose time carries a click; the scene track flashes on their rows.
const long kClickFrames[] = {15, 39, 63};

// Draws the frame number (mod 64, from the time) in four levels per channel,
// far enough apart to survive lossy compression.
const char kFrameShader[] = R"(#version 140
uniform float iGlobalTime;
out vec4 colour;
void main()
{
    int code = int(floor(iGlobalTime * 30.0 + 0.5)) % 64;
    colour = vec4(float(code & 3), float((code >> 2) & 3), float((code >> 4) & 3), 3.0) / 3.0;
}
)";

const char kWhiteShader[] = R"(#version 140
out vec4 colour;
void main()
{
    colour = vec4(1.0);
}
)";

const char kDescription[] = R"({
  "name": "export test",
  "fullscreen": true,
  "rows_per_second": 60,
  "end_row": 180,
  "shaders": [
    { "name": "frame", "vertexsrc": "pass.vsh", "fragmentsrc": "frame.fsh" },
    { "name": "white", "vertexsrc": "pass.vsh", "fragmentsrc": "white.fsh" }
  ],
  "scenes": [
    { "id": "frame number", "shader_order": [ { "pass_order": 0, "shader_id": 0 } ] },
    { "id": "flash", "shader_order": [ { "pass_order": 0, "shader_id": 1 } ] }
  ]
})";

bool isFlash(long frame)
{
    return std::find(std::begin(kClickFrames), std::end(kClickFrames), frame) != std::end(kClickFrames);
}

double clickSeconds(long frame)
{
    return static_cast<double>(frame) / kFps;
}

// What frame `frame` of the whole demo shows: -1 for a flash, else its code.
long expectedCode(long frame)
{
    return isFlash(frame) ? -1 : frame % 64;
}

// The code a colour 0xRRGGBB stands for, -1 for white.
long codeOf(uint32_t colour)
{
    const uint32_t r = colour >> 16 & 255, g = colour >> 8 & 255, b = colour & 255;
    if (r > 224 && g > 224 && b > 224)
        return -1;
    auto level = [](uint32_t value) { return static_cast<long>(std::lround(value / 85.0)); };
    return level(r) | level(g) << 2 | level(b) << 4;
}

std::vector<long> codesOf(const DecodedMedia& media)
{
    std::vector<long> codes;
    for (uint32_t colour : media.centreColour)
        codes.push_back(codeOf(colour));
    return codes;
}

std::vector<long> expectedCodes(long first, long end)
{
    std::vector<long> codes;
    for (long k = first; k < end; ++k)
        codes.push_back(expectedCode(k));
    return codes;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The test demo: shaders, a scene track that flashes on the click rows, and
// a tune of silence with a short full-scale click at each click frame's time.
class ExportDemo {
public:
    ExportDemo()
    {
        const std::string source = std::getenv("DEMOPLAYER_SOURCE_DIR") ? std::getenv("DEMOPLAYER_SOURCE_DIR") : "";
        for (const char* name : {"pass.vsh", "test.vsh", "AA.fsh"})
            dir_.write(name, readFile(source + "/tests/e2e/demo/" + name));
        dir_.write("frame.fsh", std::string(kFrameShader));
        dir_.write("white.fsh", std::string(kWhiteShader));
        dir_.write("demo.json", std::string(kDescription));

        // Frame k lies on row 2k: the flash covers rows 2k - 1 up to 2k + 1.
        std::string track = "# row value type\n0 0 step\n";
        for (long frame : kClickFrames) {
            const long row = std::lround(static_cast<double>(frame) * kRowsPerSecond / kFps);
            track += std::to_string(row - 1) + " 1 step\n" + std::to_string(row + 1) + " 0 step\n";
        }
        dir_.write("sync_scene.txt", track);
        const ToolRun encoded = runTool("synctrack", "encode " + shellQuoted(dir_.file("sync_scene.txt")) + " " +
                                                         shellQuoted(dir_.file("sync_scene.track")));
        ready_ = encoded.status == 0;
        problem_ = encoded.err;

        const long frames = std::lround(kTuneSeconds * kSampleRate);
        ready_ = ready_ && writeOggVorbis(dir_.file("tune.ogg"), OggWriterFormat{kSampleRate, 2, 0.6f}, frames,
                                          [](float** buffers, long first, int count) {
                                              for (int i = 0; i < count; ++i) {
                                                  float value = 0.0f;
                                                  for (long click : kClickFrames) {
                                                      const long at = std::lround(clickSeconds(click) * kSampleRate);
                                                      if (first + i >= at && first + i < at + 64)
                                                          value = (first + i - at) % 2 == 0 ? 0.9f : -0.9f;
                                                  }
                                                  buffers[0][i] = value;
                                                  buffers[1][i] = value;
                                              }
                                          });
    }

    bool ready() const { return ready_; }
    const std::string& problem() const { return problem_; }
    const std::string& path() const { return dir_.path(); }

private:
    ScratchDir dir_;
    bool ready_ = false;
    std::string problem_;
};

struct PlayerRun {
    int status = -1; // exit status; -1 when the player did not exit normally
    std::string err; // standard error
    std::string out; // standard output
};

class ExportPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { demo_ = new ExportDemo; }
    static void TearDownTestSuite()
    {
        delete demo_;
        demo_ = nullptr;
    }

    void SetUp() override
    {
        if (!toolsAvailable())
            GTEST_SKIP() << "DEMOPLAYER_BINARY_DIR is not set";
        ASSERT_TRUE(demo_->ready()) << "the test demo could not be made: " << demo_->problem();
    }

    // Runs `demoplayer ARGUMENTS DEMO` in a shell script's `prefix` and
    // `suffix` (for signals), without a display, in the output folder; DEMO
    // is `demoDir_`, else the test demo.
    PlayerRun runPlayer(const std::string& arguments, const std::string& prefix = "", const std::string& suffix = "")
    {
        const std::string demo = demoDir_.empty() ? demo_->path() : demoDir_;
        const std::string player = shellQuoted(std::string(std::getenv("DEMOPLAYER_BINARY_DIR")) + "/demoplayer");
        const std::string command = "cd " + shellQuoted(out_.path()) + " || exit 1; " + prefix + "env -u DISPLAY " +
                                    player + " " + arguments + " " + shellQuoted(demo) + " >" +
                                    shellQuoted(logs_.file("out")) + " 2>" + shellQuoted(logs_.file("err")) + suffix;
        const int raw = std::system(command.c_str());
        PlayerRun run;
        run.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = logs_.read("out");
        run.err = logs_.read("err");
        return run;
    }

    // An export that must succeed; returns the path of `name` in the output folder.
    std::string exportTo(const std::string& name, const std::string& options = "")
    {
        lastRun_ = runPlayer("--export " + shellQuoted(name) + " --size 64x36 --fps 30 " + options);
        EXPECT_EQ(lastRun_.status, 0) << lastRun_.err;
        return out_.file(name);
    }

    static ExportDemo* demo_;
    std::string demoDir_; // another demo to run; "" for demo_
    PlayerRun lastRun_;   // of exportTo
    ScratchDir out_;
    ScratchDir logs_;
};

ExportDemo* ExportPlayerTest::demo_ = nullptr;

// A feedback demo without music: the Game of Life, seeded on its first
// frame (iFrame 0), 30 frames of 64x36 at 30 fps.
const char kLifeShader[] = R"(void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    ivec2 p = ivec2(fragCoord);
    ivec2 size = ivec2(iResolution.xy);
    if (iFrame == 0) {
        uint h = (uint(p.x) * 73856093u) ^ (uint(p.y) * 19349663u);
        h = (h ^ (h >> 13)) * 1274126177u;
        fragColor = vec4((h >> 7) % 8u < 3u ? 1.0 : 0.0, 0.0, 0.0, 1.0);
        return;
    }
    int neighbours = 0;
    for (int y = -1; y <= 1; ++y)
        for (int x = -1; x <= 1; ++x)
            if (x != 0 || y != 0)
                neighbours += int(texelFetch(iChannel0, (p + ivec2(x, y) + size) % size, 0).r > 0.5);
    bool alive = texelFetch(iChannel0, p, 0).r > 0.5;
    fragColor = vec4(neighbours == 3 || (alive && neighbours == 2) ? 1.0 : 0.0, 0.0, 0.0, 1.0);
}
)";

const char kLifeDescription[] = R"({
  "name": "life", "fullscreen": true, "rows_per_second": 60, "end_row": 60, "final_pass": "none",
  "shaders": [ { "name": "life", "fragmentsrc": "life.fsh", "convention": "shadertoy" } ],
  "scenes": [ { "id": "life", "shader_order": [ { "pass_order": 0, "shader_id": 0, "channels": ["previous"],
                                                  "format": "rgba8" } ] } ]
})";

// Pixels of the PNG at `path` that are not black; -1 when it does not load.
long litPixels(const std::string& path)
{
    int width = 0, height = 0, components = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &components, 3);
    if (pixels == nullptr)
        return -1;
    long lit = 0;
    for (int i = 0; i < width * height * 3; ++i)
        lit += pixels[i] != 0;
    stbi_image_free(pixels);
    return lit;
}

// The time of the loudest sample within 0.2 s of `seconds`.
double loudestNear(const DecodedMedia& media, double seconds)
{
    const long from = std::max(0L, std::lround((seconds - 0.2) * media.sampleRate));
    const long to = std::min(static_cast<long>(media.soundMono.size()),
                             std::lround((seconds + 0.2) * media.sampleRate));
    long loudest = from;
    for (long i = from; i < to; ++i)
        if (std::fabs(media.soundMono[static_cast<size_t>(i)]) >
            std::fabs(media.soundMono[static_cast<size_t>(loudest)]))
            loudest = i;
    return media.soundStartSeconds + static_cast<double>(loudest) / media.sampleRate;
}

} // namespace

TEST_F(ExportPlayerTest, WholeDemoIsFrameExactAndEachFlashMeetsItsClick)
{
    const DecodedMedia media = decodeMedia(exportTo("demo.mp4"));
    EXPECT_NE(lastRun_.out.find("\n----------------\n"), std::string::npos) << "the start-up account as in play";
    EXPECT_EQ(lastRun_.out.find("fstr_val"), std::string::npos) << "an export prints no per-frame lines";
    EXPECT_EQ(lastRun_.out.find("\nrow"), std::string::npos) << "an export prints no per-frame lines";
    ASSERT_TRUE(media.opened) << media.problem;
    EXPECT_EQ(media.decodeErrors, 0);
    EXPECT_EQ(media.width, 64);
    EXPECT_EQ(media.height, 36);
    EXPECT_TRUE(media.firstFrameIsKey);
    ASSERT_EQ(static_cast<long>(media.frameSeconds.size()), kFrames) << "fps x the tune's 3 s";
    EXPECT_EQ(codesOf(media), expectedCodes(0, kFrames)) << "every frame once, in order, flashes on their rows";
    for (long k = 0; k < kFrames; ++k)
        ASSERT_NEAR(media.frameSeconds[static_cast<size_t>(k)], static_cast<double>(k) / kFps, 1e-3) << "frame " << k;

    ASSERT_EQ(media.sampleRate, kSampleRate);
    EXPECT_NEAR(media.soundEndSeconds, kTuneSeconds, 1e-3) << "the whole demo's sound lasts as long as its picture";
    for (long click : kClickFrames) {
        const double seen = media.frameSeconds[static_cast<size_t>(click)];
        const double heard = loudestNear(media, clickSeconds(click));
        EXPECT_NEAR(heard, seen, 1.0 / kFps) << "click of frame " << click << " heard at " << heard << " s";
    }
}

TEST_F(ExportPlayerTest, RerunsAndSegmentsGiveTheSameFrames)
{
    EXPECT_EQ(readFile(exportTo("once.mkv")), readFile(exportTo("again.mkv")))
        << "two exports of the same range differ";

    // Row 90 is frame 45: the two halves, joined without re-encoding.
    const std::string whole = exportTo("whole.mp4");
    const std::string first = exportTo("first.mp4", "--rows 0:90");
    const std::string second = exportTo("second.mp4", "--rows 90:");
    std::string problem;
    ASSERT_TRUE(concatByStreamCopy({first, second}, out_.file("list.txt"), out_.file("joined.mp4"), problem))
        << problem;
    const DecodedMedia joined = decodeMedia(out_.file("joined.mp4"));
    const DecodedMedia reference = decodeMedia(whole);
    ASSERT_TRUE(joined.opened) << joined.problem;
    EXPECT_EQ(joined.decodeErrors, 0);
    EXPECT_EQ(codesOf(joined), expectedCodes(0, kFrames));
    ASSERT_EQ(joined.frameSeconds.size(), reference.frameSeconds.size());
    for (size_t k = 0; k < joined.frameSeconds.size(); ++k)
        ASSERT_NEAR(joined.frameSeconds[k], reference.frameSeconds[k], 1e-3) << "frame " << k;
    EXPECT_NEAR(static_cast<double>(joined.soundMono.size()), static_cast<double>(reference.soundMono.size()), 1024.0)
        << "the joined sound as long as the whole's, within one audio frame";

    const DecodedMedia half = decodeMedia(second);
    EXPECT_TRUE(half.firstFrameIsKey) << "a segment starts with a key frame";
    EXPECT_EQ(codesOf(half), expectedCodes(45, kFrames));
}

TEST_F(ExportPlayerTest, ImageSequenceHoldsTheRenderLosslesslyAndSegmentsMatchIt)
{
    ASSERT_EQ(std::system(("mkdir " + shellQuoted(out_.file("whole")) + " " + shellQuoted(out_.file("part"))).c_str()),
              0);
    exportTo("whole/f%03d.png");
    exportTo("part/f%03d.png", "--rows 60:120");
    EXPECT_FALSE(readFile(out_.file("whole/f.wav")).empty()) << "the sound beside the images";

    for (long k = 0; k < kFrames; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "f%03ld.png", k);
        int width = 0, height = 0, components = 0;
        unsigned char* pixels = stbi_load(out_.file(std::string("whole/") + name).c_str(), &width, &height, &components,
                                          3);
        ASSERT_NE(pixels, nullptr) << "no image " << name;
        const long code = expectedCode(k);
        const uint32_t want = code < 0 ? 0xFFFFFFu
                                       : static_cast<uint32_t>((code & 3) * 85) << 16 |
                                             static_cast<uint32_t>((code >> 2 & 3) * 85) << 8 |
                                             static_cast<uint32_t>((code >> 4 & 3) * 85);
        long wrong = 0;
        for (int i = 0; i < width * height; ++i) {
            const uint32_t got = static_cast<uint32_t>(pixels[3 * i]) << 16 |
                                 static_cast<uint32_t>(pixels[3 * i + 1]) << 8 | pixels[3 * i + 2];
            wrong += got != want;
        }
        stbi_image_free(pixels);
        EXPECT_EQ(wrong, 0) << name << ": pixels differ from the frame drawn";
        EXPECT_EQ(width * 1000 + height, 64 * 1000 + 36) << name;

        const std::string part = readFile(out_.file(std::string("part/") + name));
        if (k >= 30 && k < 60) {
            EXPECT_EQ(part, readFile(out_.file(std::string("whole/") + name))) << name << " of rows 60:120";
        } else {
            EXPECT_TRUE(part.empty()) << name << " lies outside rows 60:120";
        }
    }
}

TEST_F(ExportPlayerTest, WrongRequestsSayOneLineAndLeaveNoFile)
{
    ASSERT_EQ(std::system(("touch " + shellQuoted(out_.file("a-file"))).c_str()), 0);
    struct Case {
        std::string arguments;
        int status;
        std::string says; // a piece of the first line on standard error
    };
    const Case cases[] = {
        {"--export out.avi", 2, "out.avi"},
        {"--export out.mp4 --rows 0:500", 2, "after the demo's end at row 180"},
        {"--export out.mp4 --rows 180:", 2, "not before the demo's end"},
        {"--export out.mp4 --rows 9:3", 2, "--rows"},
        {"--export out.mp4 --fps 0", 2, "--fps"},
        {"--export out.mp4 --crf 52", 2, "--crf"},
        {"--export out.mp4 --preset turbo", 2, "--preset"},
        {"--export out.mp4 --size 0x36", 2, "--size"},
        {"--export out.mp4 --size 65x36", 2, "even"},
        {"--export out.mp4 --size 900000x36", 2, "larger than the GL implementation allows"},
        {"--fps 30", 2, "only applies to an export"},
        {"--export a-file/out.mp4 --size 64x36", 1, "a-file/out.mp4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const PlayerRun run = runPlayer(c.arguments);
        EXPECT_EQ(run.status, c.status);
        const std::string firstLine = run.err.substr(0, run.err.find('\n'));
        EXPECT_NE(firstLine.find(c.says), std::string::npos) << run.err;
        if (c.status == 1) {
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        }
        EXPECT_EQ(out_.list(), std::vector<std::string>{"a-file"}) << "a file was left behind";
    }
}

TEST_F(ExportPlayerTest, CtrlCStopsTheExportExits130AndRemovesItsFile)
{
    // Long enough to be caught running: 3000 frames of 640x360. The signal
    // goes once the temporary file exists.
    const std::string waitThenInterrupt =
        " & pid=$!; for i in $(seq 600); do [ -n \"$(ls)\" ] && break; sleep 0.05; done; "
        "kill -INT $pid; wait $pid";
    const PlayerRun run = runPlayer("--export long.mp4 --size 640x360 --fps 1000", "", waitThenInterrupt);
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_NE(run.err.find("cancelled"), std::string::npos) << run.err;
    EXPECT_TRUE(out_.list().empty()) << "the cancelled export left " << out_.list().front();
}

TEST_F(ExportPlayerTest, ARangeOfAFeedbackSceneWarmsUpToTheWholeExportsFrames)
{
    ScratchDir life;
    life.write("life.fsh", std::string(kLifeShader));
    life.write("demo.json", std::string(kLifeDescription));
    demoDir_ = life.path();
    ASSERT_EQ(std::system(("mkdir " + shellQuoted(out_.file("whole")) + " " + shellQuoted(out_.file("part")) + " " +
                           shellQuoted(out_.file("cold")))
                              .c_str()),
              0);
    exportTo("whole/f%03d.png", "--no-sound");
    exportTo("part/f%03d.png", "--no-sound --rows 40:");
    const PlayerRun cold = runPlayer("--export cold/f%03d.png --size 64x36 --fps 30 --no-sound --rows 40: --no-warmup");
    EXPECT_EQ(cold.status, 0) << cold.err;
    EXPECT_NE(cold.err.find("cold/f%03d.png: --no-warmup: skipping the 20 frames before row 40 that later frames "
                            "grow from; frames of feedback scenes may differ from a whole export\n"),
              std::string::npos)
        << cold.err;

    // Row 40 is frame 20: the range draws frames 0 to 19 first, unwritten.
    for (int k = 20; k < 30; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "f%03d.png", k);
        const std::string whole = readFile(out_.file(std::string("whole/") + name));
        ASSERT_GT(litPixels(out_.file(std::string("whole/") + name)), 0) << name << ": the life died out";
        EXPECT_EQ(readFile(out_.file(std::string("part/") + name)), whole) << name << " of rows 40: differs";
    }
    EXPECT_NE(readFile(out_.file("cold/f020.png")), readFile(out_.file("whole/f020.png")))
        << "without the warm-up the range starts from a black previous frame";
    EXPECT_TRUE(readFile(out_.file("part/f019.png")).empty()) << "a warm-up frame was written";
}
