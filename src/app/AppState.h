// The one process-wide record that main and every toolkit callback share.
//
// Main thread only, no locking. AppState owns everything made at start-up:
// the sync device (and through it the tracks), the shader entries, the
// scenes and the image textures they read, the quad meshes, the
// anti-aliasing program and the render targets.
// It is a static object, so it is destroyed after main returns, once the
// toolkit has closed the window; what it holds must not need GL then.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <GL/glew.h>

#include "render/DemoShader.h"
#include "render/Scene.h"
#include "render/ShaderProgram.h"
#include "render/Texture.h"
#include "platform/FileWarnings.h"
#include "platform/platform.h"
#include "render/VertexArrayObject.h"
#include "sync/device.h"
#include "timeline/MusicStream.h"

// Number of render targets and pass quads: one per pass of a scene.
inline constexpr int kRenderTargetCount = 8;

// Closes the sync device (and frees its tracks) with the device.
struct SyncDeviceCloser {
    void operator()(SyncDevice* device) const { sync_close(device); }
};

struct AppState {
    std::vector<DemoShader> shaders;     // the description's entries, in file order
    std::vector<Scene> scenes;           // the description's scenes, addressed by index
    std::string windowTitle;             // the demo's name
    bool paused = false;                 // music paused by the user
    SyncTrack* sceneTrack = nullptr;     // track "scene", owned by syncDevice
    SyncTrack* fftSamplingTrack = nullptr; // track "fft_sampling_index", owned by syncDevice
    bool musicStarted = false;           // set by the first frame, which starts the music
    uint32_t reloadCursor = 0;           // 0..63: the scene entry examined for edits this frame
    MusicStream musicStream;             // the music of "tune.ogg", the demo's clock
    double rowsPerSecond = 1200.0 / 60.0 * 1.0; // sync rows per second of music
    float fftValue = 0.0f;               // spectrum magnitude at the sampled bin, this frame
    std::unique_ptr<VertexArrayObject> screenQuad; // final pass into the window
    std::array<std::unique_ptr<VertexArrayObject>, kRenderTargetCount> passQuads; // one per target
    std::unique_ptr<ShaderProgram> antiAliasProgram; // from "test.vsh" and "AA.fsh"
    float fstrValue = 0.0f;              // track "fstr_val" at this frame's row
    std::unique_ptr<SyncDevice, SyncDeviceCloser> syncDevice; // base name "sync"
    float windowWidth = 0.0f;            // window client width in pixels, refreshed each frame
    float windowHeight = 0.0f;           // window client height in pixels, refreshed each frame
    std::array<GLuint, kRenderTargetCount> framebuffers{};       // target i's framebuffer
    std::array<GLuint, kRenderTargetCount> depthRenderbuffers{}; // target i's depth buffer
    std::array<std::unique_ptr<Texture>, kRenderTargetCount> colorTextures; // target i's colour
    bool beepArmed = true;               // false after an alarm until a frame finds its scene
    int vertexArrayObjectCount = 0;      // serial number of the next VertexArrayObject
    std::vector<std::unique_ptr<Texture>> imageTextures; // one per texture entry; scenes point at them
    PlatformConsole console;             // the frame report's colour on standard output
    FileWarnings fileWarnings;           // shader files whose problem was already reported
};

extern AppState appState;

// Puts every field back to its initial value, releasing what it owns (tests
// start from a clean record with it). GL objects named only by number
// (framebuffers, renderbuffers) are forgotten, not deleted.
void resetAppState();
