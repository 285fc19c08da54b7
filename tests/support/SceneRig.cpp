// Scene machinery for tests and benchmarks; AppState owns what is made here.
#include "SceneRig.h"

#include <memory>

#include "GlTestContext.h"
#include "app/AppState.h"
#include "render/QuadMesh.h"
#include "render/RenderTargets.h"
#include "render/ShaderProgram.h"
#include "render/VertexArrayObject.h"

namespace gltest {
namespace {

std::unique_ptr<VertexArrayObject> makeQuad(const ShaderProgram& program)
{
    auto quad = std::make_unique<VertexArrayObject>(kQuadPositions, kQuadTexCoords, kQuadIndices,
                                                    kQuadVertexCount, kQuadTexCoordCount,
                                                    kQuadIndexCount);
    quad->bindAttributes(program);
    return quad;
}

} // namespace

void setUpSceneRendering(const std::string& aaFragmentSource)
{
    ensureGlContext();
    resetAppState();
    appState.windowWidth = static_cast<float>(kWindowWidth);
    appState.windowHeight = static_cast<float>(kWindowHeight);
    createRenderTargets();

    const GLuint vertex = compileVertexShader(kQuadVertexSource);
    const GLuint fragment = compileFragmentShader(aaFragmentSource.c_str());
    appState.antiAliasProgram = std::make_unique<ShaderProgram>(fragment, vertex);
    appState.screenQuad = makeQuad(*appState.antiAliasProgram);
    for (auto& quad : appState.passQuads)
        quad = makeQuad(*appState.antiAliasProgram);
    clearGlErrors();
}

} // namespace gltest
