// LoadedDemo: what every way of running a demo loads and draws each frame
// from: the sync device with the tracks every frame reads, the demo's
// content, the render targets, the final pass's program and the quads.
// The player keeps it in AppState; an export and the track editor's
// picture have their own and hand it to the same frame (SharedFrame.h).
//
// Main thread only. It owns everything in it; the GL objects among them are
// deleted by their owners while a context is current, and left to the
// driver once the context has gone.
#pragma once

#include <memory>

#include "demo/DemoContent.h"
#include "platform/ConsoleSink.h"
#include "platform/FileWarnings.h"
#include "render/RenderTargets.h"
#include "render/SceneQuads.h"
#include "render/ShaderProgram.h"
#include "render/SpectrumTexture.h"
#include "sync/device.h"

// Closes the sync device (and frees its tracks) with the device.
struct SyncDeviceCloser {
    void operator()(SyncDevice* device) const { sync_close(device); }
};

struct LoadedDemo {
    // Loads nothing yet; everything it loads and draws speaks through `console`.
    explicit LoadedDemo(ConsoleSink& console) : console(console) {}

    ConsoleSink& console;                                     // where its layers write their lines
    DemoContent demo;                                         // shader entries, scenes and image textures
    std::unique_ptr<SyncDevice, SyncDeviceCloser> syncDevice; // base name "sync"
    SyncTrack* sceneTrack = nullptr;                          // track "scene", owned by syncDevice
    SyncTrack* fftSamplingTrack = nullptr;                    // track "fft_sampling_index", owned by syncDevice
    std::unique_ptr<RenderTargets> renderTargets;             // where the passes draw
    std::unique_ptr<ShaderProgram> antiAliasProgram;          // the final pass, from "test.vsh" and "AA.fsh"
    std::unique_ptr<SceneQuads> quads;                        // the screen quad and the eight pass quads
    FileWarnings fileWarnings;                                // shader files whose problem was already reported
    SpectrumTexture spectrumTexture;                          // the whole spectrum, for the shaders that read it

    // Lets go of every GL object while their context is still current.
    void releaseGlObjects();
};
