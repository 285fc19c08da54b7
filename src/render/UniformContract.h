// The check of a program's own uniforms against what the player sets in it:
// the table of its own uniforms (PlayerUniforms.h), the scene's numbered
// samplers, the entry's parameters and its convention's uniforms
// (ShaderConvention.h). A uniform the player never sets reads
// 0 (a sampler reads whatever unit 0 holds) and one declared with another
// type than the player sets is never set either, silently; the check names
// both.
//
// Main thread. activeUniforms needs the GL context; the rest is pure.
#pragma once

#include <string>
#include <vector>

#include <GL/glew.h>

#include "render/ShaderConvention.h"

// A uniform a program uses, as GLSL spells it ("iResolution", "vec3"). An
// array is named without its "[0]".
struct ShaderUniform {
    std::string name;
    std::string type;
};

// Where a program draws, which decides what the player sets in it.
struct UniformSetting {
    bool finalPass = false;                       // the final pass, else pass `passIndex` of the scene
    int sceneIndex = 0;                           // the scene's position in "scenes"
    int passIndex = 0;                            // the pass's position in the scene
    int passCount = 0;                            // the scene's passes
    int textureCount = 0;                         // the scene's textures
    std::vector<std::string> parameters;          // the entry's track parameters (float uniforms)
    const ShaderConvention* convention = nullptr; // the entry's convention, whose uniforms the player sets too
    int channelCount = -1; // the channels a pass's "channels" names; -1: its iChannels are the passes before it
    std::vector<std::string> textureNames; // the scene's textures' "name"s (samplers that read them)
};

namespace render {

// The uniforms `program` uses (the driver drops declared ones that nothing
// reads); none for program 0.
std::vector<ShaderUniform> activeUniforms(GLuint program);

// The GLSL name of a uniform type GL reports, e.g. "vec2" for GL_FLOAT_VEC2.
std::string glslTypeName(GLenum type);

// What is wrong with `uniform` where `setting` draws, in a sentence without
// the file ("iResolution is declared vec3, the player sets a vec2"); "" when
// the player sets it as declared.
std::string uniformProblem(const ShaderUniform& uniform, const UniformSetting& setting);

// For a uniform that uniformProblem says is never set: how to supply it
// (the demo.json key to add) or that this input does not exist where it
// draws, as a clause to follow the problem ("add a texture entry to the
// scene's \"textures\""); "" when the problem says so itself or there is
// no problem.
std::string uniformRemedy(const ShaderUniform& uniform, const UniformSetting& setting);

} // namespace render
