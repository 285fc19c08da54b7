// The warm-up before a range or a later start. Main thread, GL context current.
#include "app/WarmUp.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "app/AppState.h"
#include "app/ExportRange.h"
#include "timeline/OfflineClock.h"

SceneDrawResult app::drawGridFrame(LoadedDemo& loaded, const FramePicture& picture, uint64_t frameNumber, int fps,
                                   const float* spectrum, PassInputsSource& clock, const PassInputs& counted,
                                   OfflineClock& tune)
{
    const double seconds = static_cast<double>(frameNumber) / fps;
    const FrameValues values = frameValuesOf(loaded, seconds, seconds * loaded.demo.timing.rowsPerSecond, spectrum,
                                             OfflineClock::kSpectrumBins);
    bool found = false;
    Scene* scene = sceneToDraw(loaded.demo.scenes, values.sceneIndex, found);
    const PassInputs inputs = passInputsFor(
        clock, counted, scene, seconds, spectrum, [&](float* smoothed) { tune.smoothedSpectrumAt(seconds, smoothed); },
        [&](uint8_t* rows) { tune.siteSoundAt(seconds, fps, rows); });
    return drawFrame(loaded, scene, values, picture, FrameReport::Silent, inputs);
}

std::vector<WarmUpFrame> app::warmUpFramesFor(LoadedDemo& loaded, uint64_t firstFrame, uint64_t endFrame, int fps,
                                              int firstScene)
{
    std::vector<SceneCarry> carries;
    bool any = false;
    for (Scene& scene : loaded.demo.scenes) {
        SceneCarry carry;
        carry.keepsPictures = scene.keepsPictures();
        carry.feedsSums = scene.readsSpectrum(carry.readsSums);
        any = any || carry.keepsPictures || carry.readsSums;
        carries.push_back(carry);
    }
    if (!any || firstFrame == 0)
        return {};
    const double rowsPerSecond = loaded.demo.timing.rowsPerSecond;
    std::vector<int> sceneOfFrame;
    sceneOfFrame.reserve(static_cast<size_t>(endFrame));
    for (uint64_t k = 0; k < endFrame; ++k)
        sceneOfFrame.push_back(sceneDrawnAt(loaded, static_cast<double>(k) / fps * rowsPerSecond));
    if (firstScene >= 0 && firstFrame < endFrame)
        sceneOfFrame[static_cast<size_t>(firstFrame)] = firstScene;
    return warmUpFrames(sceneOfFrame, firstFrame, carries);
}

bool app::warmUpFrame(LoadedDemo& loaded, const FramePicture& picture, const WarmUpFrame& frame, int fps,
                      const float* spectrum, PassInputsSource& clock, const PassInputs& counted, OfflineClock& tune,
                      SceneDrawResult& result)
{
    if (frame.drawn) {
        result = drawGridFrame(loaded, picture, frame.frame, fps, spectrum, clock, counted, tune);
        return result.drawn;
    }
    // Only the sums: the pass inputs as the frame would have them, undrawn.
    const double seconds = static_cast<double>(frame.frame) / fps;
    const int sceneIndex = sceneDrawnAt(loaded, seconds * loaded.demo.timing.rowsPerSecond);
    const Scene* scene = sceneIndex < 0 ? nullptr : &loaded.demo.scenes[static_cast<size_t>(sceneIndex)];
    passInputsFor(
        clock, counted, scene, seconds, spectrum, [&](float* smoothed) { tune.smoothedSpectrumAt(seconds, smoothed); },
        [&](uint8_t* rows) { tune.siteSoundAt(seconds, fps, rows); });
    return true;
}

std::string app::skippedWarmUpLine(uint64_t frames, double row)
{
    char line[200];
    std::snprintf(line, sizeof line,
                  "--no-warmup: skipping the %llu frames before row %g that later frames grow from; frames of "
                  "feedback scenes may differ from a whole export",
                  static_cast<unsigned long long>(frames), row);
    return line;
}

void app::warmUpBeforeStart(AppState& run, const FramePicture& picture, bool skip)
{
    const MusicStream& music = run.musicStream;
    if (!music.hasMusic())
        return; // the clock stands at row 0
    const double seconds = music.bytesToSeconds(music.positionBytes());
    const double row = seconds * run.demo.timing.rowsPerSecond;
    // The first grid frame at or after the start stands for it.
    const uint64_t firstFrame = static_cast<uint64_t>(std::max(0.0, std::ceil(seconds * kPlayWarmUpFps - 1e-6)));
    const std::vector<WarmUpFrame> frames = warmUpFramesFor(run, firstFrame, firstFrame + 1, kPlayWarmUpFps,
                                                            sceneDrawnAt(run, row));
    if (frames.empty())
        return;
    if (skip) {
        run.console.warn("demoplayer", skippedWarmUpLine(frames.size(), row));
        return;
    }
    OfflineClock tune;
    std::string problem;
    tune.open(run.demo.timing.tuneFile.c_str(), problem); // closed: a silent spectrum
    std::vector<float> spectrum(OfflineClock::kSpectrumBins, 0.0f);
    for (const WarmUpFrame& frame : frames) {
        tune.spectrumAt(static_cast<double>(frame.frame) / kPlayWarmUpFps, spectrum.data());
        PassInputs counted = run.passInputs.exportedFrame(frame.frame, kPlayWarmUpFps);
        counted.epoch = music.seekCount();
        counted.sampleRate = static_cast<float>(music.sampleRate());
        SceneDrawResult result;
        if (!warmUpFrame(run, picture, frame, kPlayWarmUpFps, spectrum.data(), run.passInputs, counted, tune, result))
            return; // the first frame meets the same target and says so
    }
    const double wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    run.passInputs.continueFrom(firstFrame - 1, static_cast<double>(firstFrame - 1) / kPlayWarmUpFps, music.seekCount(),
                                wallSeconds);
}
