// The final pass's program and its built-in fallback. Main thread, GL
// context current.
#include "render/FinalPass.h"

#include <utility>

#include "platform/ConsoleSink.h"

namespace {

// GLSL 1.40 is what the player's GL 3.1 context guarantees.
constexpr const char* kPassThroughVertex = R"(#version 140
in vec3 s_vPosition;
uniform mat4 transform;
void main()
{
    gl_Position = transform * vec4(s_vPosition, 1.0);
}
)";

constexpr const char* kPassThroughFragment = R"(#version 140
uniform sampler2D finalTarget;
uniform vec2 iResolution;
out vec4 colour;
void main()
{
    colour = texture(finalTarget, gl_FragCoord.xy / iResolution);
}
)";

} // namespace

ShaderProgram render::buildPassThroughProgram()
{
    ConsoleSink silent;
    return buildProgram(kPassThroughVertex, kPassThroughFragment, "pass-through.vsh", "pass-through.fsh",
                        BuildReport::Quiet, silent)
        .program;
}

ShaderProgram render::finalPassProgram(ShaderBuild build, const std::string& vertexPath,
                                       const std::string& fragmentPath, ConsoleSink& console)
{
    if (build.outcome.built)
        return std::move(build.program);
    console.warn(vertexPath + ", " + fragmentPath, "final pass does not build; the last pass is shown as it is");
    return buildPassThroughProgram();
}
