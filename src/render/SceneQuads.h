// The quads every scene draws: the screen quad of the final pass and one
// quad per render target for the passes.
//
// Main thread, GL context current. SceneQuads owns the nine meshes
// (move-only).
#pragma once

#include <vector>

#include "render/RenderTargets.h"
#include "render/ShaderProgram.h"
#include "render/VertexArrayObject.h"

class SceneQuads {
public:
    // Builds the screen quad, then the pass quads, numbered 0 .. 8 in their
    // creation reports (to `console`), each bound to `finalProgram`.
    SceneQuads(const ShaderProgram& finalProgram, ConsoleSink& console);

    VertexArrayObject& screen() { return quads_.front(); }
    VertexArrayObject& pass(int target) { return quads_[static_cast<size_t>(target) + 1]; }

private:
    std::vector<VertexArrayObject> quads_; // the screen quad, then one per target
};
