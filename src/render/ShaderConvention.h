// Shader conventions: the names, types and entry points that shaders written
// for other tools expect, so that such a shader runs as it is. A shader entry
// of the description chooses one with "convention"; without it a shader
// receives the player's own inputs only (see Scene.h).
//
// One table defines every convention. For each it says which uniforms the
// player declares (when the source does not declare them itself) and sets,
// which words of the source it renames, and whether the source's entry point
// is a mainImage(out vec4, in vec2) that the player calls from a main() of
// its own. ShaderSource.h assembles a source with these additions; Scene.cpp
// sets the values.
//
// Pure, constant data; any thread.
#pragma once

#include <string>
#include <vector>

// What the player puts into a convention's uniform.
enum class ConventionValue {
    Time,               // float: the music position in seconds
    TimeDelta,          // float: seconds of music since the previous frame
    Frame,              // int: frames drawn since the start
    FrameRate,          // float: frames per second
    Resolution,         // vec2 or vec3: the pass's size in pixels (and 1)
    Mouse,              // vec4: the mouse as the shader sites define it (zeros without one)
    Pointer,            // vec2: where the mouse is, in pixels (zeros without one)
    Date,               // vec4: year, month (0..11), day (1..31), seconds since midnight
    SampleRate,         // float: the tune's samples per second
    Channel,            // sampler2D: channel `index` of the pass
    ChannelResolution,  // vec3[4]: each channel's size in pixels (and 1)
    ChannelTime,        // float[4]: each channel's playback time: the music position, which every channel follows
    Spectrum,           // sampler1D: the spectrum's magnitudes (row 0 of the spectrum texture)
    SpectrumSmoothed,   // sampler1D: the smoothed magnitudes (row 1)
    SpectrumIntegrated, // sampler1D: the smoothed magnitudes summed over the seconds played
    Noise,              // sampler2D: the player's noise texture (BuiltinTextures.h)
    Checker,            // sampler2D: the player's checker texture
    StandIn,            // sampler2D: the scene texture of this name, else stand-in image <index>
    PreviousFrame,      // sampler2D: the pass's own output of the previous frame
    SceneTexture,       // sampler2D: the scene's texture <index>
    SceneTextureSize,   // vec2: the size in pixels of the scene's texture <index>
    Buffer,             // sampler2D: the output of the pass whose "define" is BUFFER_<index>
    DoubleBuffer        // sampler2D: the previous output of the pass whose "define" is DOUBLE_BUFFER_<index>
};

// One uniform that a convention declares and sets.
struct ConventionUniform {
    const char* name;
    const char* type; // the GLSL type it is declared with
    int arraySize;    // elements, or 0 for a plain value
    ConventionValue value;
    int index; // the channel, for Channel; the buffer, for Buffer and DoubleBuffer
};

// One word of a source renamed before it compiles (old GLSL words that a
// core-profile compiler refuses, renamed to their present-day equivalents).
struct ConventionRename {
    const char* word;
    const char* replacement;
};

struct ShaderConvention {
    const char* name; // as "convention" names it in demo.json
    std::vector<ConventionUniform> uniforms;
    std::vector<ConventionRename> renames;
    // A fragment output the player declares when the source does not
    // declare one of that name ("" for none).
    const char* output;
    // True: the source defines mainImage(out vec4 fragColor, in vec2
    // fragCoord) instead of main; the player's main calls it with the pixel's
    // window coordinates and writes the colour to `output`.
    bool callsMainImage;
    // True: image textures read through the convention's own samplers (a
    // channel, a named texture, u_texN) show upright, the image's top row at
    // t = 1, unless their entry says "vflip"; false: as the player loads them.
    bool imagesUpright = false;
    // True: a "spectrum" channel reads the sites' sound texture (512 x 2
    // bytes, SpectrumTexture.h) rather than the player's whole spectrum.
    bool siteSound = false;
};

namespace render {

// Every convention, in the order the README lists them.
const std::vector<ShaderConvention>& shaderConventions();

// The convention called `name`; null when there is none of that name.
const ShaderConvention* findShaderConvention(const std::string& name);

// The conventions' names as a message lists them: "\"shadertoy\", \"bonzomatic\" or \"glslviewer\"".
std::string shaderConventionNames();

// The vertex shader that a shader entry with a convention and without its
// own "vertexsrc" runs: the pass quad placed as every pass places it, with
// the pixel's place in the pass (0..1 from the bottom left) handed on as
// `v_texcoord` and `out_texcoord`, the names the live-coding tools use. The
// quad lies square to the camera, so the place interpolates linearly.
inline constexpr const char* kConventionVertexSource = R"(#version 330 core
in vec3 s_vPosition;
uniform mat4 transform;
uniform vec3 obj_position;
out vec2 v_texcoord;
out vec2 out_texcoord;
void main()
{
    gl_Position = transform * vec4(s_vPosition + obj_position, 1.0);
    v_texcoord = gl_Position.xy / gl_Position.w * 0.5 + 0.5;
    out_texcoord = v_texcoord;
}
)";

// How messages name that vertex shader.
inline constexpr const char* kConventionVertexName = "(the player's vertex shader)";

} // namespace render
