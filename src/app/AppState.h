// The application module: the process entry, the window, the start-up
// steps, the frame loop, the keyboard and the ways of running the demo
// (live, edit, export). It sits at the top of the player, over the layers
// that src/CMakeLists.txt lists, each using only those below it; nothing
// outside app/ includes anything from here.
//
// AppState is the state of one run with a window (play, live, edit): main
// makes it, and the toolkit's callbacks reach it through the one pointer
// ToolkitCallbacks keeps. Nothing outside app/ names it, and the export
// keeps a LoadedDemo of its own. Main thread only, no locking (the start-up
// opens the music on a helper thread that it joins before the stream is
// used). It owns everything made at start-up: the music stream
// and the loaded demo (the sync device and through it the tracks, the
// demo's content, the render targets, the final pass's program and the
// quads). The GL objects among them are released when the window closes,
// while its context is still current.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/EditMode.h"
#include "app/LiveMode.h"
#include "app/LoadedDemo.h"
#include "app/PassInputsSource.h"
#include "platform/platform.h"
#include "render/KeyboardTexture.h"
#include "timeline/MusicStream.h"

// The loaded demo (see LoadedDemo.h) and what the window, the main loop and
// the keyboard keep between callbacks.
struct AppState : LoadedDemo {
    // A run whose layers speak through `console`, which outlives it.
    explicit AppState(ConsoleSink& console) : LoadedDemo(console) {}
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    std::string windowTitle;               // the demo's name
    bool musicStarted = false;             // set by the first frame, which starts the music
    uint32_t reloadCursor = 0;             // 0..63: the scene entry examined for edits this frame
    MusicStream musicStream;               // the music of "tune.ogg", the demo's clock; also says
                                           // whether the music plays or the user paused it
    float windowWidth = 0.0f;              // window client width in pixels, read once per frame
    float windowHeight = 0.0f;             // window client height in pixels, read once per frame
    bool beepArmed = true;                 // false after an alarm until a frame finds its scene
    PlatformConsole consoleColour;         // the frame report's colour on standard output
    bool followDescribedFullscreen = true; // false: --release or --windowed choose the window instead
    std::unique_ptr<LiveMode> live;        // live mode's watching, display and keys; null without --live
    std::unique_ptr<EditMode> edit;        // the track editor; null until --edit or F2 in live mode
    int exitStatus = 0;                    // main's result once the main loop returns
    PassInputsSource passInputs;           // frame counts and spectrum rows for the passes
    KeyboardTexture keyboard;              // the keys the player does not take, for "keyboard" channels
    bool warmUpPending = false;            // --row: the first frame draws the warm-up first (WarmUp.h)
    bool skipWarmUp = false;               // --no-warmup: it says what it skips instead
};
