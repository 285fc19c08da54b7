// Building the scene quads. Main thread, GL context current.
#include "render/SceneQuads.h"

#include "render/QuadMesh.h"

SceneQuads::SceneQuads(const ShaderProgram& finalProgram, ConsoleSink& console)
{
    quads_.reserve(RenderTargets::kCount + 1);
    for (int serial = 0; serial <= RenderTargets::kCount; ++serial) {
        quads_.emplace_back(serial, kQuadPositions, kQuadTexCoords, kQuadIndices, kQuadVertexCount, kQuadTexCoordCount,
                            kQuadIndexCount, console);
        quads_.back().bindAttributes(finalProgram);
    }
}
