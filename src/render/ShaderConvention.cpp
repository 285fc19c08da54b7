// The table of shader conventions (see ShaderConvention.h). Pure; any thread.
#include "render/ShaderConvention.h"

namespace {

using V = ConventionValue;

std::vector<ShaderConvention> makeConventions()
{
    return {
        // The shader sites: mainImage and the i-names.
        {"shadertoy",
         {{"iResolution", "vec3", 0, V::Resolution, 0},
          {"iTime", "float", 0, V::Time, 0},
          {"iTimeDelta", "float", 0, V::TimeDelta, 0},
          {"iFrame", "int", 0, V::Frame, 0},
          {"iFrameRate", "float", 0, V::FrameRate, 0},
          {"iMouse", "vec4", 0, V::Mouse, 0},
          {"iDate", "vec4", 0, V::Date, 0},
          {"iSampleRate", "float", 0, V::SampleRate, 0},
          {"iChannel0", "sampler2D", 0, V::Channel, 0},
          {"iChannel1", "sampler2D", 0, V::Channel, 1},
          {"iChannel2", "sampler2D", 0, V::Channel, 2},
          {"iChannel3", "sampler2D", 0, V::Channel, 3},
          {"iChannelResolution", "vec3", 4, V::ChannelResolution, 0},
          {"iChannelTime", "float", 4, V::ChannelTime, 0}},
         {},
         "shadertoyFragColor",
         true,
         true,
         true},
        // The live-coding tool whose shaders read the spectrum as 1D textures.
        {"bonzomatic",
         {{"fGlobalTime", "float", 0, V::Time, 0},
          {"v2Resolution", "vec2", 0, V::Resolution, 0},
          {"texFFT", "sampler1D", 0, V::Spectrum, 0},
          {"texFFTSmoothed", "sampler1D", 0, V::SpectrumSmoothed, 0},
          {"texFFTIntegrated", "sampler1D", 0, V::SpectrumIntegrated, 0},
          {"texNoise", "sampler2D", 0, V::Noise, 0},
          {"texChecker", "sampler2D", 0, V::Checker, 0},
          {"texTex1", "sampler2D", 0, V::StandIn, 1},
          {"texTex2", "sampler2D", 0, V::StandIn, 2},
          {"texTex3", "sampler2D", 0, V::StandIn, 3},
          {"texTex4", "sampler2D", 0, V::StandIn, 4},
          {"texPreviousFrame", "sampler2D", 0, V::PreviousFrame, 0}},
         {},
         "out_color",
         false},
        // The viewer whose shaders are written in the GLSL of OpenGL ES 2.
        {"glslviewer",
         {{"u_time", "float", 0, V::Time, 0},
          {"u_resolution", "vec2", 0, V::Resolution, 0},
          {"u_mouse", "vec2", 0, V::Pointer, 0},
          {"u_buffer0", "sampler2D", 0, V::Buffer, 0},
          {"u_buffer1", "sampler2D", 0, V::Buffer, 1},
          {"u_buffer2", "sampler2D", 0, V::Buffer, 2},
          {"u_buffer3", "sampler2D", 0, V::Buffer, 3},
          {"u_buffer4", "sampler2D", 0, V::Buffer, 4},
          {"u_buffer5", "sampler2D", 0, V::Buffer, 5},
          {"u_buffer6", "sampler2D", 0, V::Buffer, 6},
          {"u_doubleBuffer0", "sampler2D", 0, V::DoubleBuffer, 0},
          {"u_doubleBuffer1", "sampler2D", 0, V::DoubleBuffer, 1},
          {"u_doubleBuffer2", "sampler2D", 0, V::DoubleBuffer, 2},
          {"u_doubleBuffer3", "sampler2D", 0, V::DoubleBuffer, 3},
          {"u_doubleBuffer4", "sampler2D", 0, V::DoubleBuffer, 4},
          {"u_doubleBuffer5", "sampler2D", 0, V::DoubleBuffer, 5},
          {"u_doubleBuffer6", "sampler2D", 0, V::DoubleBuffer, 6},
          {"u_tex0", "sampler2D", 0, V::SceneTexture, 0},
          {"u_tex0Resolution", "vec2", 0, V::SceneTextureSize, 0},
          {"u_tex1", "sampler2D", 0, V::SceneTexture, 1},
          {"u_tex1Resolution", "vec2", 0, V::SceneTextureSize, 1},
          {"u_tex2", "sampler2D", 0, V::SceneTexture, 2},
          {"u_tex2Resolution", "vec2", 0, V::SceneTextureSize, 2},
          {"u_tex3", "sampler2D", 0, V::SceneTexture, 3},
          {"u_tex3Resolution", "vec2", 0, V::SceneTextureSize, 3},
          {"u_tex4", "sampler2D", 0, V::SceneTexture, 4},
          {"u_tex4Resolution", "vec2", 0, V::SceneTextureSize, 4},
          {"u_tex5", "sampler2D", 0, V::SceneTexture, 5},
          {"u_tex5Resolution", "vec2", 0, V::SceneTextureSize, 5},
          {"u_tex6", "sampler2D", 0, V::SceneTexture, 6},
          {"u_tex6Resolution", "vec2", 0, V::SceneTextureSize, 6},
          {"u_tex7", "sampler2D", 0, V::SceneTexture, 7},
          {"u_tex7Resolution", "vec2", 0, V::SceneTextureSize, 7}},
         {{"varying", "in"}, {"texture2D", "texture"}, {"gl_FragColor", "glslviewerFragColor"}},
         "glslviewerFragColor",
         false,
         true},
    };
}

} // namespace

const std::vector<ShaderConvention>& render::shaderConventions()
{
    static const std::vector<ShaderConvention> conventions = makeConventions();
    return conventions;
}

const ShaderConvention* render::findShaderConvention(const std::string& name)
{
    for (const ShaderConvention& convention : shaderConventions())
        if (name == convention.name)
            return &convention;
    return nullptr;
}

std::string render::shaderConventionNames()
{
    const std::vector<ShaderConvention>& conventions = shaderConventions();
    std::string names;
    for (std::size_t i = 0; i < conventions.size(); ++i) {
        if (i > 0)
            names += i + 1 == conventions.size() ? " or " : ", ";
        names += std::string("\"") + conventions[i].name + "\"";
    }
    return names;
}
