// Export mode: the start-up without a window, then the export module drives
// the frames. Main thread; owns the headless GL context for the whole run and
// releases AppState's GL objects before it goes.
#include "app/ExportMode.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include <GL/glew.h>

#include "app/AppState.h"
#include "app/BuildFailures.h"
#include "app/DemoChecks.h"
#include "app/DemoSetup.h"
#include "app/ExportRange.h"
#include "app/FrameScene.h"
#include "export/ExportTarget.h"
#include "export/Exporter.h"
#include "export/VideoExport.h"
#include "platform/headless_gl.h"
#include "platform/process.h"
#include "timeline/OfflineClock.h"

namespace {

constexpr const char* kTunePath = "tune.ogg";

// A file has no window: the demo's name and a full-screen request change nothing.
class ExportHost : public BuildingHost {
public:
    explicit ExportHost(BuildFailures& builds) : BuildingHost(builds) {}
    void enterFullscreen() override {}
    void setTitle(const std::string& name) override { appState.windowTitle = name; }
};

int refuse(const std::string& output, const std::string& problem, int status)
{
    std::cout.flush();
    std::fprintf(stderr, "%s: %s\n", output.c_str(), problem.c_str());
    return status;
}

// Why the current context cannot draw width x height frames, or "" when it can.
std::string glSizeProblem(int width, int height)
{
    GLint texture = 0;
    GLint renderbuffer = 0;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    const int maxWidth = std::min(texture, std::min(renderbuffer, viewport[0]));
    const int maxHeight = std::min(texture, std::min(renderbuffer, viewport[1]));
    if (width <= maxWidth && height <= maxHeight)
        return "";
    return "size " + std::to_string(width) + "x" + std::to_string(height) +
           " is larger than the GL implementation allows (" + std::to_string(maxWidth) + "x" +
           std::to_string(maxHeight) + ")";
}

// The tune's length; false when there is no decodable tune (the export then
// says so itself and runs without sound).
bool tuneLength(double& seconds)
{
    OfflineClock clock;
    std::string problem;
    if (!clock.open(kTunePath, problem))
        return false;
    seconds = clock.tuneSeconds();
    return true;
}

// Draws frame `frameNumber` of the whole demo with the spectrum heard then.
// False, after one line on standard error, when it cannot be drawn.
bool drawExportFrame(uint64_t frameNumber, int fps, const float* spectrum)
{
    const double seconds = static_cast<double>(frameNumber) / fps;
    const FrameValues values = app::frameValuesFromTracks(seconds, seconds * appState.rowsPerSecond, spectrum,
                                                          OfflineClock::kSpectrumBins);
    appState.fftValue = values.fftValue;
    appState.fstrValue = values.fstrValue;
    bool found = false;
    const SceneDrawResult result = app::drawSceneFrame(app::sceneToDraw(values.sceneIndex, found), values,
                                                       FrameReport::Silent);
    if (!result.drawn)
        std::fprintf(stderr, "%s\n", result.problem().c_str());
    return result.drawn;
}

int exitStatusFor(ExportStatus status)
{
    switch (status) {
    case ExportStatus::Done:
        return 0;
    case ExportStatus::UsageError:
        return kExitWrongUsage;
    case ExportStatus::Cancelled:
        return kExitInterrupted;
    case ExportStatus::Failed:
        break;
    }
    return 1;
}

// The start-up of playback in the headless context, then the export. The
// context must be current and `width` x `height` drawable.
int setUpAndExport(const CommandLine& commandLine, int width, int height)
{
    const std::string& output = commandLine.exportOutput;
    appState.windowWidth = static_cast<float>(width);
    appState.windowHeight = static_cast<float>(height);
    // A picture with a program missing is not the demo: the export stops
    // before its first frame.
    BuildFailures builds(BuildFailurePolicy::Fail);
    ExportHost host(builds);
    if (!app::loadDemoContent(host))
        return 1;
    appState.renderTargets = std::make_unique<RenderTargets>(width, height, width, height,
                                                             render::longestPassChain(appState.demo.scenes));
    app::initAntiAliasProgram(builds);
    std::cout << "----------------\n";
    glDisable(GL_CULL_FACE);
    app::initQuadMeshes();
    double tuneSeconds = 0.0;
    const bool hasTune = tuneLength(tuneSeconds);
    appState.demo.timing.fitToTune(tuneSeconds);
    app::warnAboutDemoMistakes(tuneSeconds);
    std::cout.flush();
    if (!builds.failures().empty()) {
        const ShaderBuildError& first = builds.failures().front();
        return refuse(output, first.vertexPath + ", " + first.fragmentPath + " does not build; nothing was written", 1);
    }
    if (platform_interrupt_requested())
        return refuse(output, "export cancelled; nothing was written", kExitInterrupted);

    ExportRangeRequest request;
    request.firstRow = commandLine.exportFirstRow;
    request.hasEndRow = commandLine.hasExportEndRow;
    request.endRow = commandLine.exportEndRow;
    request.rowsPerSecond = appState.rowsPerSecond;
    request.demoEndRow = appState.demo.timing.endRow;
    request.hasTune = hasTune;
    request.tuneSeconds = tuneSeconds;
    request.fps = commandLine.exportFps;
    ExportRange range;
    std::string problem;
    if (!app::exportRangeFor(request, range, problem))
        return refuse(output, problem, kExitWrongUsage);

    ExportSettings settings;
    settings.output = output;
    settings.width = width;
    settings.height = height;
    settings.fps = commandLine.exportFps;
    settings.crf = commandLine.exportCrf;
    if (!commandLine.exportPreset.empty())
        settings.preset = commandLine.exportPreset;
    settings.startSeconds = range.startSeconds(settings.fps);
    settings.endSeconds = range.endSeconds(settings.fps);
    settings.tunePath = kTunePath;
    settings.endsTheDemo = range.endsTheDemo;
    settings.progressStream = stderr;
    settings.progressOnTerminal = platform_stream_is_terminal(stderr);
    settings.cancelRequested = [] { return platform_interrupt_requested(); };
    bool drawFailed = false;
    settings.drawFailed = [&] { return drawFailed; };
    const int fps = settings.fps;
    // Frame times come from the whole demo's frame numbers, so a segment's
    // frames are exactly those of the whole export.
    const ExportResult result = Exporter(settings).run([&](const ExportFrame& frame) {
        drawFailed = !drawExportFrame(range.firstFrame + frame.index, fps, frame.spectrum);
    });
    return exitStatusFor(result.status);
}

// The GL objects AppState holds go while their context is still there.
void releaseGlObjects()
{
    appState.quads.reset();
    appState.antiAliasProgram.reset();
    appState.renderTargets.reset();
    appState.demo = DemoContent();
}

} // namespace

int app::exportDemo(const CommandLine& commandLine)
{
    const std::string& output = commandLine.exportOutput;
    std::string problem;
    ExportTarget target;
    if (!target.parse(output, problem))
        return refuse(output, problem, kExitWrongUsage);
    // A kind this build does not write is refused before any GL is set up.
    problem = exporting::videoExportProblem(target);
    if (!problem.empty())
        return refuse(output, problem, kExitWrongUsage);

    const bool sized = commandLine.windowWidth > 0 && commandLine.windowHeight > 0;
    const int width = sized ? commandLine.windowWidth : kDefaultExportWidth;
    const int height = sized ? commandLine.windowHeight : kDefaultExportHeight;
    HeadlessGl gl;
    if (!gl.open(width, height, problem))
        return refuse(output, problem, gl.sizeRefused() ? kExitWrongUsage : 1);
    problem = glSizeProblem(width, height);
    if (!problem.empty())
        return refuse(output, problem, kExitWrongUsage);

    platform_interrupt_catch();
    const int status = setUpAndExport(commandLine, width, height);
    platform_interrupt_release();
    releaseGlObjects();
    gl.close();
    return status;
}
