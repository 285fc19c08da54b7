// The one table of the uniforms the player itself sets in a program: their
// names, GLSL types and which programs get them. Scene.cpp and
// VertexArrayObject.cpp set them by these names; UniformContract.cpp checks a
// program's declarations against the same entries. A shader entry's
// convention adds its own (ShaderConvention.h); its parameters are floats.
//
// Pure, constant data; any thread.
#pragma once

// Which programs the player sets a uniform in.
enum class UniformScope { Passes, FinalPass, Both };

// One uniform the player sets.
struct PlayerUniform {
    const char* name;
    const char* type; // as GLSL declares it
    UniformScope scope;
};

namespace uniforms {

inline constexpr PlayerUniform kResolution = {"iResolution", "vec2", UniformScope::Both};
inline constexpr PlayerUniform kGlobalTime = {"iGlobalTime", "float", UniformScope::Passes};
inline constexpr PlayerUniform kFft = {"fft", "float", UniformScope::Both};
inline constexpr PlayerUniform kFstr = {"fstr", "float", UniformScope::FinalPass};
inline constexpr PlayerUniform kFinalTarget = {"finalTarget", "sampler2D", UniformScope::FinalPass};
inline constexpr PlayerUniform kTransform = {"transform", "mat4", UniformScope::Both};
inline constexpr PlayerUniform kCameraPosition = {"cameraPosition", "vec3", UniformScope::Both};
inline constexpr PlayerUniform kObjectPosition = {"obj_position", "vec3", UniformScope::Both};
inline constexpr PlayerUniform kObjectRotation = {"obj_rotation", "vec4", UniformScope::Both};
inline constexpr PlayerUniform kSpectrum = {"spectrum", "sampler2D", UniformScope::Passes};

// Every entry above, for the check.
inline constexpr PlayerUniform kAll[] = {
    kResolution,     kGlobalTime,     kFft,     kFstr, kFinalTarget, kTransform, kCameraPosition,
    kObjectPosition, kObjectRotation, kSpectrum};

// The numbered samplers: kChannelPrefix + N, the output of pass N (or what
// the pass's "channels" name), and kTexturePrefix + N, the scene's texture N
// (passes only).
inline constexpr const char* kChannelPrefix = "iChannel";
inline constexpr const char* kTexturePrefix = "tex";

} // namespace uniforms
