// Scene machinery for tests and benchmarks.
#include "SceneRig.h"

#include <iostream>

#include "GlTestContext.h"

namespace gltest {

namespace {

RenderTargets windowSizedTargets()
{
    ensureGlContext();
    return RenderTargets(kWindowWidth, kWindowHeight, kWindowWidth, kWindowHeight);
}

} // namespace

ShaderProgram buildProgram(const std::string& vertexSource, const std::string& fragmentSource)
{
    ConsoleSink standard(std::cout, std::cerr);
    return render::buildProgram(vertexSource.c_str(), fragmentSource.c_str(), "test.vsh", "test.fsh",
                                BuildReport::Console, standard)
        .program;
}

SceneRig::SceneRig(const std::string& finalFragmentSource)
    : targets(windowSizedTargets()), finalProgram(buildProgram(kQuadVertexSource, finalFragmentSource)),
      quads(finalProgram, console.sink)
{
    // A test reads what its frames say, not the quads' creation reports.
    console.takeOut();
    clearGlErrors();
}

SceneFrame SceneRig::frame(int row, double seconds, float fftValue, float fstrValue, SyncDevice* device)
{
    return SceneFrame{row,
                      seconds,
                      fftValue,
                      fstrValue,
                      static_cast<float>(kWindowWidth),
                      static_cast<float>(kWindowHeight),
                      targets,
                      quads,
                      finalProgram,
                      console.sink,
                      device};
}

} // namespace gltest
