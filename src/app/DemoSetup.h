// The start-up steps between the window and the main loop: the demo itself
// (music, sync tracks, description, render targets), the final pass's
// program and the quad meshes. Main thread, GL context current, once each,
// in this order.
#pragma once

#include <functional>

#include "app/BuildFailures.h"
#include "app/LoadedDemo.h"
#include "demo/DescriptionHost.h"
#include "timeline/MusicStream.h"

struct AppState;

// The application's side of a description load: shader builds speak and
// their failures are answered as `builds` says; the window's part (title,
// full screen) is left to each way of running.
class BuildAnsweringHost : public DescriptionHost {
public:
    explicit BuildAnsweringHost(BuildFailures& builds) : builds_(builds) {}

    BuildReport buildReport() const override { return builds_.report(); }
    void shaderBuilt(const std::string& vertexPath, const std::string& fragmentPath,
                     const BuildOutcome& outcome) override
    {
        builds_.answer(vertexPath, fragmentPath, outcome);
    }
    // Live mode shows an image's failure itself, once (see LiveReload).
    bool takesImageFailures() const override { return builds_.report() == BuildReport::Quiet; }
    BuildFailures& builds() { return builds_; }

private:
    BuildFailures& builds_;
};

namespace app {

// Opens the music held paused, the sync device "sync" with its tracks
// "scene" and "fft_sampling_index", loads "demo.json" (with the demo's length
// and tempo), gives the window the demo's name and creates the render
// targets its scenes use (as many as its longest scene has passes). Returns false when the
// description fails to load: the account written so far stays on standard
// output, one line "demo.json: " and the reason goes to standard error, and
// the render targets are not made. Failed shader builds are answered by
// `builds`.
bool initDemo(AppState& run, BuildFailures& builds);

// The part of initDemo that needs neither a window nor the music, into
// `loaded`: opens the sync device "sync" with its tracks "scene" and
// "fft_sampling_index" and loads "demo.json" (the demo's name and full
// screen go to `host`, which answers its shader builds). False as initDemo
// when the description fails to load.
bool loadDemoContent(BuildAnsweringHost& host, LoadedDemo& loaded);

// Builds the final pass's program of `loaded` from "test.vsh" and "AA.fsh",
// its failure answered by `builds`; when they do not build, the final pass
// shows the last pass through a built-in pass-through program (one line on
// standard error), unless their failure ends the run: then there is none.
// A demo without a final pass ("final_pass": "none") builds neither file
// and gets the pass-through program, silently.
void initAntiAliasProgram(BuildFailures& builds, LoadedDemo& loaded);

// Builds the screen quad and the eight pass quads of `loaded`, bound to the
// final pass's program.
void initQuadMeshes(LoadedDemo& loaded);

// The start-up steps play and export share once the description has loaded:
// the final pass's program (initAntiAliasProgram), the separator line that
// ends the start-up account, then, unless `goesOn` (asked right after the
// separator) says the run ends there, culling off, the quads, the demo's end
// fitted to a tune of `tuneSeconds` and the warnings about its mistakes.
// False when `goesOn` ended it.
bool finishStartUp(BuildFailures& builds, LoadedDemo& loaded, double tuneSeconds, const std::function<bool()>& goesOn);

// In live mode, shows the build failures `builds` has kept so far.
void showBuildFailures(AppState& run, BuildFailures& builds);

// Moves the music to `row` of the demo's tempo before the first frame; a row
// past the tune's end leaves it at the start, with one line on standard error.
void startAtRow(AppState& run, double row);

// The length of the open tune in seconds; 0 without music.
double tuneSeconds(const MusicStream& music);

// Releases the music (and the audio output) unless Esc already has.
void releaseMusic(AppState& run);

} // namespace app
