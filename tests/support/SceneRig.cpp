// Scene machinery for tests and benchmarks; AppState owns what is made here.
#include "SceneRig.h"

#include <memory>

#include "GlTestContext.h"
#include "app/AppState.h"
#include "app/DemoSetup.h"
#include "render/RenderTargets.h"
#include "render/ShaderProgram.h"

namespace gltest {

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
    initQuadMeshes();
    clearGlErrors();
}

} // namespace gltest
