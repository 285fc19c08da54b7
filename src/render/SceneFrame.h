// What a scene needs to draw one frame: this frame's values, the picture's
// size, where the picture goes, and the objects it draws with. The caller
// (the frame of every way of running the demo, or a test) fills it for each
// frame; the scene keeps nothing of it.
//
// Main thread. A SceneFrame owns nothing: the references point at objects
// that outlive the render call.
#pragma once

#include <cstdint>

#include <GL/glew.h>

#include "platform/ConsoleSink.h"
#include "render/KeyboardTexture.h"
#include "render/PictureTarget.h"
#include "render/RenderTargets.h"
#include "render/SceneQuads.h"
#include "render/ShaderProgram.h"
#include "render/SpectrumTexture.h"
#include "sync/device.h"

// What a frame gives its passes beyond the player's own uniforms: the counts
// and readings that shaders from other tools expect (ShaderConvention.h),
// the whole spectrum, and the stretch of the timeline that feedback passes
// follow. The defaults are a first frame without a mouse or a spectrum.
struct PassInputs {
    uint64_t frameNumber = 0;     // frames drawn before this one (iFrame); a frame drawn again (paused) keeps it
    uint64_t epoch = 0;           // a seek starts a new one: feedback passes start black again
    double deltaSeconds = 0.0;    // music since the previous frame
    double framesPerSecond = 0.0; // frames drawn per second
    float mouse[4] = {};          // as the shader sites define it; zeros without a mouse
    float pointer[2] = {};        // the mouse in window pixels from the bottom left; zeros without one
    float date[4] = {};           // year, month (0..11), day (1..31), seconds since midnight
    float sampleRate = 44100.0f;  // the tune's samples per second
    SpectrumRows spectrum;        // the whole spectrum of this frame
    SpectrumTexture* spectrumTexture = nullptr; // where it goes for the shaders; null: they read black
    KeyboardTexture* keyboardTexture = nullptr; // the keys for "keyboard" channels; null: no key is down
};

struct SceneFrame {
    int row = 0;            // the sync row, truncated toward zero
    double seconds = 0.0;   // the music position
    float fftValue = 0.0f;  // the spectrum magnitude the frame samples
    float fstrValue = 0.0f; // track "fstr_val" at this frame's row
    // The picture's size in pixels: the passes' targets, "iResolution" and
    // the cameras' aspect. The player's is its window's client area.
    float width = 0.0f;
    float height = 0.0f;
    RenderTargets& targets;            // pass k draws into target k
    SceneQuads& quads;                 // the screen quad and the pass quads
    const ShaderProgram& finalProgram; // composes the last output into the picture
    ConsoleSink& console;              // where the frame's lines go: "fstr_val", a scene's warnings
    SyncDevice* syncDevice = nullptr;  // where the passes' parameter tracks are found
    bool printsFstrLine = true; // false: no "fstr_val" console line (an export's frames; live mode's status line)
    // Where the picture goes: framebuffer 0 at the picture's own size unless
    // the caller says otherwise. A rectangle of another size or place needs
    // `picture`, where the final pass then draws before the copy.
    FrameView view = {};
    PictureTarget* picture = nullptr;
    PassInputs inputs = {}; // what the passes read beyond the player's own uniforms
    // false: the demo has no final pass, and the scene's last pass draws the
    // picture itself (unless its settings give it a target of its own: then
    // `finalProgram`, a plain copy, shows that target).
    bool finalPass = true;
};
