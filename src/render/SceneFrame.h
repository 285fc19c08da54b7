// What a scene needs to draw one frame: this frame's values and the objects
// it draws with. The caller (the frame loop, or a test) fills it for each
// frame; the scene keeps nothing of it.
//
// Main thread. A SceneFrame owns nothing: the references point at objects
// that outlive the render call.
#pragma once

#include "render/RenderTargets.h"
#include "render/SceneQuads.h"
#include "render/ShaderProgram.h"
#include "sync/device.h"

struct SceneFrame {
    int row = 0;              // the sync row, truncated toward zero
    double seconds = 0.0;     // the music position
    float fftValue = 0.0f;    // the spectrum magnitude the frame samples
    float fstrValue = 0.0f;   // track "fstr_val" at this frame's row
    float windowWidth = 0.0f; // the window's client area in pixels
    float windowHeight = 0.0f;
    RenderTargets& targets;            // pass k draws into target k
    SceneQuads& quads;                 // the screen quad and the pass quads
    const ShaderProgram& finalProgram; // composes the last output into the window
    SyncDevice* syncDevice = nullptr;  // where the passes' parameter tracks are found
    bool printsFstrLine = true; // false: no "fstr_val" console line (an export's frames; live mode's status line)
};
