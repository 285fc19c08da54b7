// The export tests' click tune, frame colours and fixture.
#include "ClickExport.h"

#include <GL/glew.h>

#include <cmath>
#include <cstdio>

#include "OggTestFile.h"
#include "OggWriter.h"

namespace {

// The tune's file, removed when the test program ends.
class ClickTune {
public:
    ClickTune() : path_(OggTestFile::uniquePath(".ogg"))
    {
        const long frames = static_cast<long>(kClickTuneSeconds * kClickSampleRate);
        written_ = writeOggVorbis(path_, OggWriterFormat{kClickSampleRate, 2, 0.6f}, frames,
                                  [](float** buffers, long first, int count) {
                                      for (int i = 0; i < count; ++i) {
                                          float value = 0.0f;
                                          for (double click : kClickSeconds) {
                                              const long at = std::lround(click * kClickSampleRate);
                                              if (first + i >= at && first + i < at + 64)
                                                  value = (first + i - at) % 2 == 0 ? 0.9f : -0.9f;
                                          }
                                          buffers[0][i] = value;
                                          buffers[1][i] = value;
                                      }
                                  });
    }
    ~ClickTune() { std::remove(path_.c_str()); }
    ClickTune(const ClickTune&) = delete;
    ClickTune& operator=(const ClickTune&) = delete;

    const std::string& path() const { return written_ ? path_ : none_; }

private:
    std::string path_;
    std::string none_;
    bool written_ = false;
};

long wholeFrame(const ExportFrame& frame)
{
    return std::lround(frame.seconds * kClickFps);
}

bool isFlash(long frame)
{
    for (double click : kClickSeconds)
        if (frame == std::lround(click * kClickFps))
            return true;
    return false;
}

} // namespace

const std::string& clickTunePath()
{
    static ClickTune tune;
    return tune.path();
}

uint32_t frameColour(long frame)
{
    const long code = frame % 64;
    const uint32_t r = static_cast<uint32_t>(code & 3) * 85;
    const uint32_t g = static_cast<uint32_t>((code >> 2) & 3) * 85;
    const uint32_t b = static_cast<uint32_t>((code >> 4) & 3) * 85;
    return r << 16 | g << 8 | b;
}

long frameCode(uint32_t colour)
{
    auto level = [](uint32_t value) { return static_cast<long>(std::lround(value / 85.0)); };
    return level(colour >> 16 & 255) | level(colour >> 8 & 255) << 2 | level(colour & 255) << 4;
}

std::vector<long> expectedCodes(long firstFrame, long frames)
{
    std::vector<long> codes;
    for (long k = firstFrame; k < firstFrame + frames; ++k)
        codes.push_back(isFlash(k) ? -1 : k % 64);
    return codes;
}

void drawFrameNumber(const ExportFrame& frame)
{
    const uint32_t colour = isFlash(wholeFrame(frame)) ? 0xFFFFFF : frameColour(wholeFrame(frame));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, kClickWidth, kClickHeight);
    glClearColor((colour >> 16 & 255) / 255.0f, (colour >> 8 & 255) / 255.0f, (colour & 255) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void ClickExportTest::SetUp()
{
    ASSERT_FALSE(clickTunePath().empty()) << "the click tune could not be written";
    std::string problem;
    ASSERT_TRUE(gl_.open(kClickWidth, kClickHeight, problem)) << problem;
}

ExportSettings ClickExportTest::settings(const std::string& name, double start, double end) const
{
    ExportSettings s;
    s.output = dir_.file(name);
    s.width = kClickWidth;
    s.height = kClickHeight;
    s.fps = kClickFps;
    s.preset = "ultrafast";
    s.startSeconds = start;
    s.endSeconds = end;
    s.tunePath = clickTunePath();
    s.progressStream = nullptr;
    return s;
}

ExportResult ClickExportTest::run(const ExportSettings& s, const ExportRenderFunction& render)
{
    return Exporter(s).run(render);
}
