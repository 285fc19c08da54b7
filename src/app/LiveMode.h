// Live mode (`demoplayer --live`): every file of the demo is watched and
// reloaded at the start of the frame after it is saved, build errors are
// drawn over the picture while the last good programs, keys and textures go
// on playing, a heads-up display shows where the demo is, and keys move
// around the timeline. LiveMode puts three parts together over the run:
// LiveReload (the reload policy, carried out on the loaded demo), LiveControls
// (the keys and the mouse) and LiveHeadsUp (the status line and the display),
// which share one console.
//
// Main thread, GL context current, inside the toolkit's callbacks. The run
// (AppState) owns the one LiveMode (null when live mode is off); LiveMode
// owns its parts, and its reloads change the run's loaded demo in place.
#pragma once

#include <string>
#include <vector>

#include "app/BuildFailures.h"
#include "app/FrameDecisions.h"
#include "app/LiveConsole.h"
#include "app/LiveControls.h"
#include "app/LiveHeadsUp.h"
#include "app/LiveReload.h"
#include "app/LiveReloadHost.h"
#include "render/PictureTarget.h"

struct AppState;

class LiveMode : private LiveReloadHost {
public:
    // Live mode over `run`, which outlives it.
    explicit LiveMode(AppState& run);

    // After the demo is set up: text tracks become their tracks' source,
    // and every file of the demo is watched.
    void start();

    // Programs that failed to build while the demo loaded (entries and the final pass).
    void showBuildErrors(const std::vector<ShaderBuildError>& errors) { reload_.showBuildErrors(errors); }

    // Start of a frame: reloads what was saved since the last frame and
    // jumps back to the loop's start at its end.
    void beginFrame();

    // See LiveControls::holdAtEnd.
    void holdAtEnd(double endRow) { controls_.holdAtEnd(endRow); }

    // The frame's status line, in place of the frame report.
    void reportFrame(const FrameValues& values, bool sceneFound)
    {
        headsUp_.reportFrame(values, sceneFound, controls_.loop());
    }

    // Draws the heads-up display and the errors over the finished picture,
    // in its place (the whole window, or the part beside the track editor).
    void drawOverlay(const FrameView& place)
    {
        headsUp_.draw(place, controls_.loop(), reload_.latest(), reload_.problems());
    }

    // Watches the demo's files again, tracks added since included.
    void watchFiles() { reload_.watchFiles(); }

    // A track file that another part of the player read again (the track
    // editor, for its text tracks): its problem goes, the reload shows.
    void trackReloaded(const std::string& path) { reload_.trackReloaded(path); }

    // Live mode's keys (Tab for the display, the timeline keys); false for a key it does not use.
    bool onKey(unsigned char key);
    bool onSpecialKey(int key) { return controls_.onSpecialKey(key); }

    // The toolkit's mouse button and motion events (window coordinates from the top left).
    void onMouseButton(int button, int state, int x, int y) { controls_.onMouseButton(button, state, x, y); }
    void onMouseMotion(int x, int y) { controls_.onMouseMotion(x, y); }
    // The mouse for the frame about to be drawn (see ShaderMouse).
    void mouseValues(float mouse[4], float pointer[2]) { controls_.mouseValues(mouse, pointer); }

private:
    // The run's answers to the reloads (see LiveReloadHost).
    void setTitle(const std::string& name) override;
    double tuneSeconds() const override;
    bool editorOwnsTrack(const std::string& name) const override;
    bool editorTookTrackFile(const std::string& path) override;

    AppState& run_;
    LiveConsole console_;
    LiveReload reload_;
    LiveControls controls_;
    LiveHeadsUp headsUp_;
};

namespace app {

// The special-key callback's work in live mode (Home, PageUp, PageDown; F2
// and the track editor's keys). False for a key neither takes.
bool onLiveSpecialKey(AppState& run, int key);

// The mouse callbacks' work in live mode: the mouse that shaders read.
void onLiveMouseButton(AppState& run, int button, int state, int x, int y);
void onLiveMouseMotion(AppState& run, int x, int y);

} // namespace app
