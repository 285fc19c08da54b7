// Live mode (`demoplayer --live`): every file of the demo is watched and
// reloaded at the start of the frame after it is saved, build errors are
// drawn over the picture while the last good programs, keys and textures go
// on playing, a heads-up display shows where the demo is, and keys move
// around the timeline.
//
// Main thread, GL context current, inside the toolkit's callbacks. The run
// (AppState) owns the one LiveMode (null when live mode is off); LiveMode
// owns its file watcher, heads-up display and console, and changes the
// demo's content in the run in place.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/BuildFailures.h"
#include "app/FrameDecisions.h"
#include "app/LiveConsole.h"
#include "app/LiveTimeline.h"
#include "app/ReloadPlan.h"
#include "app/ShaderMouse.h"
#include "demo/DemoContent.h"
#include "platform/FileWatcher.h"
#include "render/HeadsUpDisplay.h"
#include "render/PictureTarget.h"

struct AppState;

class LiveMode {
public:
    // Live mode over `run`, which outlives it.
    explicit LiveMode(AppState& run);

    // After the demo is set up: text tracks become their tracks' source,
    // and every file of the demo is watched.
    void start();

    // Programs that failed to build while the demo loaded (entries and the final pass).
    void showBuildErrors(const std::vector<ShaderBuildError>& errors);

    // Start of a frame: reloads what was saved since the last frame and
    // jumps back to the loop's start at its end.
    void beginFrame();

    // The frame's row has reached the demo's end at `endRow`: instead of
    // ending, the demo holds its last row, paused, until a key moves on (Esc
    // quits). Does nothing while paused.
    void holdAtEnd(double endRow);

    // The frame's status line, in place of the frame report.
    void reportFrame(const FrameValues& values, bool sceneFound);

    // Draws the heads-up display and the errors over the finished picture,
    // in its place (the whole window, or the part beside the track editor).
    void drawOverlay(const FrameView& place);

    // Watches the demo's files again, tracks added since included.
    void watchFiles() { watchDemoFiles(INT64_MAX); }

    // A track file that another part of the player read again (the track
    // editor, for its text tracks): its problem goes, the reload shows.
    void trackReloaded(const std::string& path);

    // Live mode's keys; false for a key it does not use.
    bool onKey(unsigned char key);
    bool onSpecialKey(int key);

    // The toolkit's mouse button and motion events (window coordinates from the top left).
    void onMouseButton(int button, int state, int x, int y);
    void onMouseMotion(int x, int y);
    // The mouse for the frame about to be drawn (see ShaderMouse).
    void mouseValues(float mouse[4], float pointer[2]) { mouse_.frameValues(mouse, pointer); }

private:
    struct Problem {
        std::string key;     // what failed: a file, or "vertex, fragment" of an entry
        std::string message; // one reason per line
    };

    void watchDemoFiles(int64_t readSinceNs);
    void loadTextTracks();
    // Rewrites the binary track file of `track` (just read from its text
    // track) when it does not hold its keys; `announce`: say so on the console.
    void followText(const SyncTrack& track, bool announce);
    void reloadChanged(const std::vector<std::string>& changed);
    bool reloadDescription();
    void keepLastGoodBuilds(DemoContent& fresh);
    void showImageProblem(const std::string& path, const std::string& problem, bool lastGoodStays);
    void rebuildEntries(const ReloadPlan& plan);
    void rebuildFinalPass();
    void reloadTrack(const std::string& path);
    void reloadImage(const std::string& path);

    void setProblem(const std::string& key, const std::string& message);
    void clearProblem(const std::string& key);
    void reloaded(const std::string& what);

    double currentRow() const;
    void seekToRow(double row, const std::string& what);

    AppState& run_;
    FileWatcher watcher_;
    LiveConsole console_;
    HeadsUpDisplay display_;
    bool displayShown_ = true;
    LoopRange loop_;
    std::vector<Problem> problems_;       // shown until the file builds again
    std::string latest_;                  // the latest reload
    std::vector<std::string> textTracks_; // names whose source is tracks/NAME.txt
    LiveFrameStatus status_;
    ShaderMouse mouse_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point rateStart_ = start_;
    int rateFrames_ = 0;
};

namespace app {

// The special-key callback's work in live mode (Home, PageUp, PageDown; F2
// and the track editor's keys). False for a key neither takes.
bool onLiveSpecialKey(AppState& run, int key);

// The mouse callbacks' work in live mode: the mouse that shaders read.
void onLiveMouseButton(AppState& run, int button, int state, int x, int y);
void onLiveMouseMotion(AppState& run, int x, int y);

} // namespace app
