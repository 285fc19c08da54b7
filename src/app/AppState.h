// The application module: the process entry, the window, the start-up
// steps, the frame loop and the keyboard. It sits at the top of the player:
// app -> demo -> render -> timeline -> sync, each layer using only those
// below it; nothing outside app/ includes anything from here.
//
// AppState is the one process-wide record that main and every toolkit
// callback share. Main thread only, no locking (the start-up opens the
// music on a helper thread that it joins before the stream is used). It
// owns everything made at start-up: the music stream, the sync device (and
// through it the tracks), the demo's content (shader entries, scenes, image
// textures), the render targets, the final pass's program and the quads.
// The GL objects among them are deleted by their owners while a context is
// current, and left to the driver when AppState goes after the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/LiveMode.h"
#include "demo/DemoContent.h"
#include "platform/FileWarnings.h"
#include "platform/platform.h"
#include "render/RenderTargets.h"
#include "render/SceneQuads.h"
#include "render/ShaderProgram.h"
#include "sync/device.h"
#include "timeline/MusicStream.h"

// Closes the sync device (and frees its tracks) with the device.
struct SyncDeviceCloser {
    void operator()(SyncDevice* device) const { sync_close(device); }
};

struct AppState {
    DemoContent demo;                                // shader entries, scenes and image textures of "demo.json"
    std::string windowTitle;                         // the demo's name
    SyncTrack* sceneTrack = nullptr;                 // track "scene", owned by syncDevice
    SyncTrack* fftSamplingTrack = nullptr;           // track "fft_sampling_index", owned by syncDevice
    bool musicStarted = false;                       // set by the first frame, which starts the music
    uint32_t reloadCursor = 0;                       // 0..63: the scene entry examined for edits this frame
    MusicStream musicStream;                         // the music of "tune.ogg", the demo's clock; also says
                                                     // whether the music plays or the user paused it
    double rowsPerSecond = 1200.0 / 60.0 * 1.0;      // sync rows per second of music
    float fftValue = 0.0f;                           // spectrum magnitude at the sampled bin, this frame
    std::unique_ptr<SceneQuads> quads;               // the screen quad and the eight pass quads
    std::unique_ptr<ShaderProgram> antiAliasProgram; // the final pass, from "test.vsh" and "AA.fsh"
    float fstrValue = 0.0f;                          // track "fstr_val" at this frame's row
    std::unique_ptr<SyncDevice, SyncDeviceCloser> syncDevice; // base name "sync"
    float windowWidth = 0.0f;                                 // window client width in pixels, read once per frame
    float windowHeight = 0.0f;                                // window client height in pixels, read once per frame
    std::unique_ptr<RenderTargets> renderTargets;             // where the passes draw
    bool beepArmed = true;                                    // false after an alarm until a frame finds its scene
    PlatformConsole console;                                  // the frame report's colour on standard output
    FileWarnings fileWarnings;                                // shader files whose problem was already reported
    bool followDescribedFullscreen = true; // false: --release or --windowed choose the window instead
    std::unique_ptr<LiveMode> live;        // live mode's watching, display and keys; null without --live
    int exitStatus = 0;                    // main's result once the main loop returns
};

extern AppState appState;
