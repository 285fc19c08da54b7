// The uniforms the player sets and the check of a program's uniforms
// against them (see UniformContract.h). Main thread.
#include "render/UniformContract.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "render/PlayerUniforms.h"

namespace {

using uniforms::kChannelPrefix;
constexpr int kMaxChannels = 4; // iChannel0 .. iChannel3 beyond the passes before
using uniforms::kTexturePrefix;

// What a name from elsewhere (other tools' and sites' shaders) is called here.
struct NameHint {
    const char* name;
    const char* hint;
};

const NameHint kNameHints[] = {
    {"iTime", "the time is iGlobalTime"},
    {"time", "the time is iGlobalTime"},
    {"u_time", "the time is iGlobalTime"},
    {"fGlobalTime", "the time is iGlobalTime"},
    {"resolution", "the window size is iResolution (vec2)"},
    {"u_resolution", "the window size is iResolution (vec2)"},
    {"v2Resolution", "the window size is iResolution (vec2)"},
};

// N when `name` is `prefix` followed by digits only; -1 otherwise.
int numberAfter(const std::string& name, const char* prefix)
{
    const std::string start = prefix;
    if (name.size() <= start.size() || name.compare(0, start.size(), start) != 0 || name.size() > start.size() + 4)
        return -1;
    int number = 0;
    for (std::size_t i = start.size(); i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

std::string typeProblem(const ShaderUniform& uniform, const char* type)
{
    if (uniform.type == type)
        return "";
    const char* article = (type[0] == 'i' || type[0] == 'u') ? "an " : "a ";
    return uniform.name + " is declared " + uniform.type + ", the player sets " + article + type;
}

std::string passCountText(int count)
{
    return std::to_string(count) + (count == 1 ? " pass" : " passes");
}

std::string channelProblem(const ShaderUniform& uniform, int channel, const UniformSetting& setting)
{
    const std::string scene = "scene " + std::to_string(setting.sceneIndex);
    if (setting.finalPass && channel >= setting.passCount)
        return "uniform " + uniform.name + " is never set in the final pass of " + scene + ", which has " +
               passCountText(setting.passCount) + ": it reads no pass's output";
    if (!setting.finalPass && setting.channelCount >= 0) {
        if (channel < setting.channelCount)
            return typeProblem(uniform, "sampler2D");
        return "uniform " + uniform.name + " is never set in pass " + std::to_string(setting.passIndex) + " of " +
               scene + ": its \"channels\" name " + std::to_string(setting.channelCount);
    }
    if (!setting.finalPass && channel >= setting.passIndex) {
        const std::string before = setting.passIndex == 0   ? "no pass comes"
                                   : setting.passIndex == 1 ? "only 1 pass comes"
                                                            : "only " + passCountText(setting.passIndex) + " come";
        return "uniform " + uniform.name + " is never set in pass " + std::to_string(setting.passIndex) + " of " +
               scene + ": " + before + " before it, so it reads no pass's output";
    }
    return typeProblem(uniform, "sampler2D");
}

std::string textureProblem(const ShaderUniform& uniform, int texture, const UniformSetting& setting)
{
    if (setting.finalPass)
        return "uniform " + uniform.name + " is never set in the final pass (the scene's textures go to its passes)";
    if (texture >= setting.textureCount)
        return "uniform " + uniform.name + " is never set: scene " + std::to_string(setting.sceneIndex) + " has " +
               std::to_string(setting.textureCount) + (setting.textureCount == 1 ? " texture" : " textures");
    return typeProblem(uniform, "sampler2D");
}

// The first convention that sets `name`, for a shader that has none.
const ShaderConvention* conventionSetting(const std::string& name)
{
    for (const ShaderConvention& convention : render::shaderConventions())
        for (const ConventionUniform& known : convention.uniforms)
            if (name == known.name)
                return &convention;
    return nullptr;
}

std::string unsetProblem(const ShaderUniform& uniform, const UniformSetting& setting)
{
    std::string problem = "uniform " + uniform.name + " is never set";
    const ShaderConvention* convention = setting.convention == nullptr ? conventionSetting(uniform.name) : nullptr;
    const std::string orConvention = convention == nullptr || setting.finalPass
                                         ? ""
                                         : std::string(" (or give the shader \"convention\": \"") + convention->name +
                                               "\")";
    for (const NameHint& hint : kNameHints)
        if (uniform.name == hint.name)
            return problem + "; " + hint.hint + orConvention;
    if (!orConvention.empty())
        return problem + ";" + orConvention.substr(1, orConvention.size() - 2);
    if (uniform.type == "float" && !setting.finalPass)
        problem += "; list \"" + uniform.name + "\" under the shader's \"parameters\" in demo.json to read its track";
    return problem;
}

} // namespace

std::vector<ShaderUniform> render::activeUniforms(GLuint program)
{
    std::vector<ShaderUniform> uniforms;
    if (program == 0)
        return uniforms;
    GLint count = 0;
    GLint longest = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    glGetProgramiv(program, GL_ACTIVE_UNIFORM_MAX_LENGTH, &longest);
    std::string name(static_cast<std::size_t>(std::max(longest, 1)), '\0');
    for (GLint i = 0; i < count; ++i) {
        GLsizei length = 0;
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, static_cast<GLuint>(i), static_cast<GLsizei>(name.size()), &length, &size, &type,
                           &name[0]);
        std::string shown = name.substr(0, static_cast<std::size_t>(length));
        if (shown.size() > 3 && shown.compare(shown.size() - 3, 3, "[0]") == 0)
            shown.resize(shown.size() - 3);
        if (shown.compare(0, 3, "gl_") != 0 && shown.find('.') == std::string::npos)
            uniforms.push_back({shown, glslTypeName(type)});
    }
    return uniforms;
}

std::string render::glslTypeName(GLenum type)
{
    switch (type) {
    case GL_FLOAT:
        return "float";
    case GL_FLOAT_VEC2:
        return "vec2";
    case GL_FLOAT_VEC3:
        return "vec3";
    case GL_FLOAT_VEC4:
        return "vec4";
    case GL_INT:
        return "int";
    case GL_INT_VEC2:
        return "ivec2";
    case GL_INT_VEC3:
        return "ivec3";
    case GL_INT_VEC4:
        return "ivec4";
    case GL_UNSIGNED_INT:
        return "uint";
    case GL_BOOL:
        return "bool";
    case GL_FLOAT_MAT2:
        return "mat2";
    case GL_FLOAT_MAT3:
        return "mat3";
    case GL_FLOAT_MAT4:
        return "mat4";
    case GL_SAMPLER_1D:
        return "sampler1D";
    case GL_SAMPLER_2D:
        return "sampler2D";
    case GL_SAMPLER_3D:
        return "sampler3D";
    case GL_SAMPLER_CUBE:
        return "samplerCube";
    case GL_SAMPLER_2D_RECT:
        return "sampler2DRect";
    case GL_INT_SAMPLER_2D:
        return "isampler2D";
    case GL_UNSIGNED_INT_SAMPLER_2D:
        return "usampler2D";
    default:
        break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "type 0x%04X", type);
    return text;
}

std::string render::uniformProblem(const ShaderUniform& uniform, const UniformSetting& setting)
{
    if (!setting.finalPass &&
        std::find(setting.textureNames.begin(), setting.textureNames.end(), uniform.name) != setting.textureNames.end())
        return typeProblem(uniform, "sampler2D");
    if (!setting.finalPass &&
        std::find(setting.parameters.begin(), setting.parameters.end(), uniform.name) != setting.parameters.end())
        return typeProblem(uniform, "float");
    if (setting.convention != nullptr)
        for (const ConventionUniform& known : setting.convention->uniforms)
            if (uniform.name == known.name && known.value != ConventionValue::Channel)
                return typeProblem(uniform, known.type);
    for (const PlayerUniform& known : uniforms::kAll) {
        if (uniform.name != known.name)
            continue;
        if (known.scope == UniformScope::FinalPass && !setting.finalPass)
            return "uniform " + uniform.name + " is never set in a scene's passes (the final pass gets it)";
        if (known.scope == UniformScope::Passes && setting.finalPass)
            return "uniform " + uniform.name + " is never set in the final pass (a scene's passes get it)";
        return typeProblem(uniform, known.type);
    }
    const int channel = numberAfter(uniform.name, kChannelPrefix);
    if (channel >= 0)
        return channelProblem(uniform, channel, setting);
    const int texture = numberAfter(uniform.name, kTexturePrefix);
    if (texture >= 0)
        return textureProblem(uniform, texture, setting);
    return unsetProblem(uniform, setting);
}

std::string render::uniformRemedy(const ShaderUniform& uniform, const UniformSetting& setting)
{
    const std::string problem = uniformProblem(uniform, setting);
    if (problem.find(" is never set") == std::string::npos || problem.find("\"parameters\"") != std::string::npos ||
        problem.find("\"convention\"") != std::string::npos)
        return "";
    const std::string where = setting.finalPass ? "the final pass" : "a pass";
    const int channel = numberAfter(uniform.name, kChannelPrefix);
    if (channel >= 0) {
        if (setting.finalPass)
            return "the final pass reads only the scene's passes: this input does not exist there";
        if (channel >= kMaxChannels)
            return "a pass has at most 4 channels: this input does not exist";
        const std::string sources =
            "a pass (\"pass:N\", \"pass:N:previous\"), an image (\"texture:N\"), its own "
            "last frame (\"previous\"), the sound (\"spectrum\") or the keys (\"keyboard\")";
        if (setting.channelCount >= 0)
            return "add its source to the pass's \"channels\" in demo.json: " + sources;
        return "give the pass \"channels\" in demo.json to say what it reads: " + sources;
    }
    if (numberAfter(uniform.name, kTexturePrefix) >= 0) {
        if (setting.finalPass)
            return "this input does not exist in the final pass";
        return "add a texture entry (\"src\": \"FILE\") to the scene's \"textures\" in demo.json";
    }
    for (const PlayerUniform& known : uniforms::kAll)
        if (uniform.name == known.name)
            return "this input does not exist in " + where;
    if (uniform.type.compare(0, 7, "sampler") == 0 && !setting.finalPass)
        return "give a texture entry of the scene \"name\": \"" + uniform.name + "\" in demo.json to read its image";
    const std::string convention = setting.convention == nullptr
                                       ? ""
                                       : std::string(" in the \"") + setting.convention->name + "\" convention";
    return "the player has no input of that name" + convention + ": it keeps its initial value, 0";
}
