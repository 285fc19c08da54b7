// Export mode: the start-up without a window, then the export module drives
// the frames. Main thread; owns the headless GL context and the loaded demo
// for the whole run, and releases the demo's GL objects before the context
// goes. Nothing here uses AppState: the window's record.
#include "app/ExportMode.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <GL/glew.h>

#include "app/BuildFailures.h"
#include "app/MistakeWarnings.h"
#include "app/DemoSetup.h"
#include "app/ExportRange.h"
#include "app/SharedFrame.h"
#include "app/TextTracks.h"
#include "app/WarmUp.h"
#include "demo/DemoDescription.h"
#include "demo/DemoFiles.h"
#include "export/ExportTarget.h"
#include "export/Exporter.h"
#include "platform/gl_context.h"
#include "platform/headless_gl.h"
#include "platform/process.h"
#include "timeline/OfflineClock.h"

namespace {

// A file has no window: the demo's name and a full-screen request change
// nothing. An image that does not load is kept, to stop the export.
class ExportHost : public BuildAnsweringHost {
public:
    explicit ExportHost(BuildFailures& builds) : BuildAnsweringHost(builds) {}
    void enterFullscreen() override {}
    void setTitle(const std::string&) override {}
    bool takesImageFailures() const override { return true; }
    void imageFailed(const std::string& path, const std::string& problem) override
    {
        imageFailures_.push_back(path + ": " + problem);
    }
    const std::vector<std::string>& imageFailures() const { return imageFailures_; }

private:
    std::vector<std::string> imageFailures_; // "path: reason", in load order
};

int refuse(const std::string& output, const std::string& problem, int status)
{
    std::cout.flush();
    std::fprintf(stderr, "%s: %s\n", output.c_str(), problem.c_str());
    return status;
}

// What an export's frames give their passes: the count, the tune's rate,
// and the tune for the smoothed spectrum of scenes that read it.
struct ExportPassInputs {
    explicit ExportPassInputs(OfflineClock& tune) : tune(tune) {}

    PassInputsSource clock;
    float sampleRate = 44100.0f;
    OfflineClock& tune; // the export's one open tune (closed without one)
};

// Why the demo cannot be drawn as it is, in one line naming the first file
// at fault, or "" when it can: a shader program that did not build (the
// final pass's included), an image that did not load.
std::string startUpFailure(const BuildFailures& builds, const ExportHost& host)
{
    std::vector<std::string> failures;
    for (const ShaderBuildError& failure : builds.failures())
        failures.push_back(failure.message.substr(0, failure.message.find('\n')));
    failures.insert(failures.end(), host.imageFailures().begin(), host.imageFailures().end());
    if (failures.empty())
        return "";
    if (failures.size() == 1)
        return failures.front();
    return failures.front() + " (and " + std::to_string(failures.size() - 1) + " more)";
}

// Draws frame `frameNumber` of the whole demo with the spectrum heard then,
// into the context's drawable. False, after one line on standard error,
// when it cannot be drawn.
bool drawExportFrame(LoadedDemo& loaded, const FramePicture& picture, uint64_t frameNumber, int fps,
                     const float* spectrum, ExportPassInputs& passes)
{
    PassInputs counted = passes.clock.exportedFrame(frameNumber, fps);
    counted.sampleRate = passes.sampleRate;
    const SceneDrawResult result = app::drawGridFrame(loaded, picture, frameNumber, fps, spectrum, passes.clock,
                                                      counted, passes.tune);
    if (!result.drawn)
        loaded.console.error(result.problem());
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

// The start-up of playback into `loaded` in the headless context, then the
// export. The context must be current and `width` x `height` drawable.
// What the exporter is told of the command line: the file, the size, the
// rate, the quality and the sound, over `range`; progress on standard error.
ExportSettings exportSettingsFor(const CommandLine& commandLine, const ExportRange& range, int width, int height)
{
    ExportSettings settings;
    settings.output = commandLine.exportOutput;
    settings.width = width;
    settings.height = height;
    settings.fps = commandLine.exportFps;
    settings.crf = commandLine.exportCrf;
    if (!commandLine.exportPreset.empty())
        settings.preset = commandLine.exportPreset;
    settings.startSeconds = range.startSeconds(settings.fps);
    settings.endSeconds = range.endSeconds(settings.fps);
    settings.sound = !commandLine.exportNoSound;
    settings.endsTheDemo = range.endsTheDemo;
    settings.progressStream = stderr;
    settings.progressOnTerminal = platform_stream_is_terminal(stderr);
    settings.cancelRequested = [] { return platform_interrupt_requested(); };
    return settings;
}

// The frames before the range that its feedback scenes grow from, drawn
// first; with --no-warmup none, said in one line when that skips any.
std::vector<WarmUpFrame> warmUpFor(const CommandLine& commandLine, LoadedDemo& loaded, const ExportRange& range,
                                   int fps)
{
    std::vector<WarmUpFrame> warmUp = app::warmUpFramesFor(loaded, range.firstFrame, range.endFrame, fps);
    if (commandLine.noWarmUp && !warmUp.empty()) {
        loaded.console.warn(commandLine.exportOutput,
                            app::skippedWarmUpLine(warmUp.size(), commandLine.exportFirstRow));
        warmUp.clear();
    }
    return warmUp;
}

int setUpAndExport(const CommandLine& commandLine, LoadedDemo& loaded, int width, int height)
{
    const std::string& output = commandLine.exportOutput;
    // The tune is opened once: its length, the spectrum, the smoothed spectrum.
    const std::string tuneFile = demo::tuneFileOf(demo::kDescriptionFile);
    OfflineClock tune;
    std::string tuneProblem;
    const bool hasTune = tune.open(tuneFile.c_str(), tuneProblem);
    const double tuneSeconds = hasTune ? tune.tuneSeconds() : 0.0;
    BuildFailures builds(BuildFailurePolicy::Fail);
    ExportHost host(builds);
    if (!app::loadDemoContent(host, loaded))
        return 1;
    loaded.renderTargets = std::make_unique<RenderTargets>(width, height, width, height,
                                                           render::longestPassChain(loaded.demo.scenes));
    // A picture without one of its programs or images is not the demo, and
    // an export without its music only when asked for: either stops here,
    // before the first frame.
    int refusal = 0;
    const bool started = app::finishStartUp(builds, loaded, tuneSeconds, [&] {
        const std::string failure = startUpFailure(builds, host);
        if (!failure.empty())
            refusal = refuse(output, failure + "; nothing was written", 1);
        else if (!hasTune && !commandLine.exportNoSound)
            refusal = refuse(output,
                             tuneFile + ": cannot play the music: " + tuneProblem +
                                 "; nothing was written (--no-sound exports the picture alone)",
                             1);
        return refusal == 0;
    });
    if (!started)
        return refusal;
    // The export plays the binary tracks, as the player does.
    app::warnAboutStaleTextTracks();
    const std::string keyboardNote = app::keyboardInExportNote(loaded.demo.scenes);
    if (!keyboardNote.empty())
        loaded.console.error(keyboardNote);
    loaded.console.out().flush();
    if (platform_interrupt_requested())
        return refuse(output, "export cancelled; nothing was written", kExitInterrupted);

    ExportRangeRequest request;
    request.firstRow = commandLine.exportFirstRow;
    request.hasEndRow = commandLine.hasExportEndRow;
    request.endRow = commandLine.exportEndRow;
    request.rowsPerSecond = loaded.demo.timing.rowsPerSecond;
    request.demoEndRow = loaded.demo.timing.endRow;
    request.hasTune = hasTune;
    request.tuneSeconds = tuneSeconds;
    request.fps = commandLine.exportFps;
    ExportRange range;
    std::string problem;
    if (!app::exportRangeFor(request, range, problem))
        return refuse(output, problem, kExitWrongUsage);

    ExportSettings settings = exportSettingsFor(commandLine, range, width, height);
    settings.tunePath = hasTune ? tuneFile : "";
    settings.openTune = hasTune ? &tune : nullptr;
    bool drawFailed = false;
    settings.drawFailed = [&] { return drawFailed; };
    const int fps = settings.fps;
    FramePicture picture;
    picture.width = width;
    picture.height = height;
    ExportPassInputs passes(tune);
    if (hasTune)
        passes.sampleRate = static_cast<float>(tune.sampleRate());
    const std::vector<WarmUpFrame> warmUp = warmUpFor(commandLine, loaded, range, fps);
    for (const WarmUpFrame& frame : warmUp)
        settings.warmUpFrames.push_back(frame.frame);
    // Frame times come from the whole demo's frame numbers, so a segment's
    // frames are exactly those of the whole export.
    const ExportResult result = Exporter(settings).run([&](const ExportFrame& frame) {
        if (!frame.warmUp) {
            drawFailed = !drawExportFrame(loaded, picture, frame.demoFrame, fps, frame.spectrum, passes);
            return;
        }
        PassInputs counted = passes.clock.exportedFrame(frame.demoFrame, fps);
        counted.sampleRate = passes.sampleRate;
        SceneDrawResult drawn;
        drawFailed = !app::warmUpFrame(loaded, picture, warmUp[frame.index], fps, frame.spectrum, passes.clock, counted,
                                       passes.tune, drawn);
        if (drawFailed)
            loaded.console.error(drawn.problem());
    });
    return exitStatusFor(result.status);
}

} // namespace

int app::exportDemo(const CommandLine& commandLine, ConsoleSink& console)
{
    const std::string& output = commandLine.exportOutput;
    std::string problem;
    // A kind this build does not write is refused before any GL is set up.
    ExportTarget target;
    if (!Exporter::readOutput(output, target, problem))
        return refuse(output, problem, kExitWrongUsage);

    const bool sized = commandLine.windowWidth > 0 && commandLine.windowHeight > 0;
    const int width = sized ? commandLine.windowWidth : kDefaultExportWidth;
    const int height = sized ? commandLine.windowHeight : kDefaultExportHeight;
    HeadlessGl gl;
    if (!gl.open(width, height, problem))
        return refuse(output, problem, gl.sizeRefused() ? kExitWrongUsage : 1);
    problem = platform_gl_size_problem(width, height);
    if (!problem.empty())
        return refuse(output, problem, kExitWrongUsage);

    platform_interrupt_catch();
    LoadedDemo loaded(console);
    const int status = setUpAndExport(commandLine, loaded, width, height);
    platform_interrupt_release();
    // The demo's GL objects go while their context is still there.
    loaded.releaseGlObjects();
    gl.close();
    return status;
}
