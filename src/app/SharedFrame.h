// The frame every way of running the demo shares, as a function of its
// inputs: the loaded demo (content, tracks, render targets, quads and the
// final pass's program), the frame's values and where its picture goes.
// The frame loop drives it from the music, the export from its offline
// clock, the track editor into a rectangle beside its panel; only the clock
// and the picture's place differ. Main thread, GL context current; nothing
// here reads AppState.
#pragma once

#include <vector>

#include "app/FrameDecisions.h"
#include "app/LoadedDemo.h"
#include "app/PassInputsSource.h"
#include "render/Scene.h"

// How a frame speaks on the console while it draws.
enum class FrameReport { Console, Silent };

// The picture a frame draws and where it goes.
struct FramePicture {
    int width = 0; // the picture's size in pixels: the passes' targets and "iResolution"
    int height = 0;
    FrameView view;                   // default: framebuffer 0 at the picture's own size
    PictureTarget* through = nullptr; // needed when the view is another size or place
};

namespace app {

// The frame at `seconds` and `row` (the row read from the same clock), with
// `spectrum` of `binCount` magnitudes there, from `loaded`'s tracks.
FrameValues frameValuesOf(LoadedDemo& loaded, double seconds, double row, const float* spectrum, int binCount);

// The scene a frame with `sceneIndex` draws: that scene when it exists, else
// the first scene in its place (null when there are no scenes at all).
// `found` tells whether it is the frame's own.
Scene* sceneToDraw(std::vector<Scene>& scenes, int sceneIndex, bool& found);

// Draws `scene` of `loaded` with the frame's values and pass inputs as
// `picture` says; with no scene, clears the picture's place instead. A
// silent frame prints nothing (the scene's "fstr_val" line included). The
// result says whether a render target could not be drawn into.
SceneDrawResult drawFrame(LoadedDemo& loaded, Scene* scene, const FrameValues& values, const FramePicture& picture,
                          FrameReport report = FrameReport::Console, const PassInputs& inputs = PassInputs());

// The index in `loaded`'s scenes of the scene drawn at `row`: its own, else
// the first (see sceneToDraw); -1 when there are no scenes.
int sceneDrawnAt(LoadedDemo& loaded, double row);

// The pass inputs of a frame at `seconds` with `spectrum`, for `scene`
// (null for none), counted by `clock` from `counted`: the smoothed spectrum,
// which `smoothed` writes into the buffer it is given, and the sites' sound
// texture, which `siteSound` writes, each only when the scene reads it.
template <typename Smoothed, typename SiteSound>
PassInputs passInputsFor(PassInputsSource& clock, PassInputs counted, const Scene* scene, double seconds,
                         const float* spectrum, Smoothed smoothed, SiteSound siteSound)
{
    bool rows1D = false;
    float* smoothedRow = nullptr;
    if (scene != nullptr && scene->readsSpectrum(rows1D)) {
        smoothedRow = clock.smoothedScratch();
        smoothed(smoothedRow);
    }
    clock.addSpectrum(counted, spectrum, smoothedRow, seconds);
    if (scene != nullptr && scene->readsSiteSound()) {
        siteSound(clock.siteSoundScratch());
        counted.spectrum.siteSound = clock.siteSoundScratch();
    }
    return counted;
}

} // namespace app
