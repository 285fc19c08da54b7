// The kind of GL the program draws with, where the systems differ: desktop
// OpenGL 3 (Linux, Windows) or OpenGL ES 3.0 (WebGL 2 in a browser). The
// render code asks here instead of knowing which system it was built for.
// Main thread, GL context current where a function says so.
#pragma once

#include <string>

// True where shaders are compiled as GLSL ES 3.00 (WebGL 2): the shader
// sources are then rewritten for it (see ShaderSource::forGlslEs).
bool platform_gl_is_es();

// The internal format of the render targets' depth renderbuffers.
unsigned platform_gl_depth_format();

// Whether the context can draw into floating-point colour textures (RGBA16F,
// RGBA32F); WebGL 2 can only with EXT_color_buffer_float. Context current.
bool platform_gl_renders_to_float();
