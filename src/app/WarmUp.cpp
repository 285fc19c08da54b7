// The warm-up before a range or a later start. Main thread, GL context current.
#include "app/WarmUp.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "app/AppState.h"
#include "app/ExportRange.h"
#include "timeline/OfflineClock.h"

std::vector<uint64_t> app::warmUpFramesFor(LoadedDemo& loaded, uint64_t firstFrame, uint64_t endFrame, int fps,
                                           int firstScene)
{
    std::vector<bool> keepsPictures;
    bool any = false;
    for (Scene& scene : loaded.demo.scenes) {
        keepsPictures.push_back(scene.keepsPictures());
        any = any || keepsPictures.back();
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
    return warmUpFrames(sceneOfFrame, firstFrame, keepsPictures);
}

std::string app::skippedWarmUpLine(uint64_t frames, double row)
{
    char line[200];
    std::snprintf(line, sizeof line,
                  "--no-warmup: %llu frames before row %g that feedback scenes grow from are not drawn; frames of "
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
    const std::vector<uint64_t> frames =
        warmUpFramesFor(run, firstFrame, firstFrame + 1, kPlayWarmUpFps, sceneDrawnAt(run, row));
    if (frames.empty())
        return;
    if (skip) {
        std::fprintf(stderr, "demoplayer: %s\n", skippedWarmUpLine(frames.size(), row).c_str());
        return;
    }
    OfflineClock tune;
    std::string problem;
    tune.open(run.demo.timing.tuneFile.c_str(), problem); // closed: a silent spectrum
    std::vector<float> spectrum(OfflineClock::kSpectrumBins, 0.0f);
    for (uint64_t frame : frames) {
        tune.spectrumAt(static_cast<double>(frame) / kPlayWarmUpFps, spectrum.data());
        PassInputs counted = run.passInputs.exportedFrame(frame, kPlayWarmUpFps);
        counted.epoch = music.seekCount();
        counted.sampleRate = static_cast<float>(music.sampleRate());
        const SceneDrawResult result =
            drawGridFrame(run, picture, frame, kPlayWarmUpFps, spectrum.data(), run.passInputs, counted, tune);
        if (!result.drawn)
            return; // the first frame meets the same target and says so
    }
    const double wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    run.passInputs.continueFrom(firstFrame - 1, static_cast<double>(firstFrame - 1) / kPlayWarmUpFps,
                                music.seekCount(), wallSeconds);
}
