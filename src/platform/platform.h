// The few operating-system calls the player makes, behind one small contract.
// One implementation file per operating system (platform_posix.cpp here).
// Callers never see #ifdef. Main thread only unless a function says otherwise.
#pragma once

#include <cstdint>

// Modification time of `path` in seconds, reduced to its low 32 bits.
// Returns false (and leaves `time` alone) when the file's status cannot be read.
bool platform_file_time(const char* path, int32_t& time);

// Whether the calling thread has a GL context current. Code that releases GL
// objects asks first, so nothing is deleted after the window (and with it
// the context) has gone, as during the process's exit.
bool platform_gl_context_current();
