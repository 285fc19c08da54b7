// What the program knows of its GL context beyond GL itself: whether one is
// current on this thread, recorded by whatever made it (the window, the
// headless context, a test's window), since each system's window layer
// knows only its own kind (GLX nothing of EGL); and how large a picture the
// current one can draw. Any thread (each has its own record); the size
// question needs the context current.
#pragma once

#include <string>

// Whether the calling thread has a GL context current. Code that releases
// GL objects asks first, so nothing is deleted after the context has gone,
// as during the process's exit.
bool platform_gl_context_current();

// Records that the calling thread's GL context has been made current (true),
// or that it is no longer current or about to go (false).
void platform_gl_context_record(bool current);

// Why the current GL context cannot draw a width x height picture (its
// largest texture, renderbuffer or viewport is smaller), or "" when it can.
std::string platform_gl_size_problem(int width, int height);

// The sentence for a width x height picture beyond a largest drawable of
// maxWidth x maxHeight: "size WxH is larger than the GL implementation
// allows (MxN)".
std::string platform_gl_size_beyond(int width, int height, int maxWidth, int maxHeight);
