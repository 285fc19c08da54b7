// FFmpeg's libraries, loaded when a video is first exported rather than when
// the program starts. With what they depend on they are well over a hundred
// shared libraries on Debian, and loading them at start cost every play run
// tens of milliseconds before its first frame, for a part that only video
// exports use.
//
// The program does not link them: FfmpegLibraries.cpp defines each FFmpeg
// function that VideoFileWriter calls, forwarding to the loaded library's
// own. A new FFmpeg call there needs its forwarder beside the others (the
// link fails without one).
//
// loadFfmpegLibraries(): any thread. The forwarders: only after it has
// succeeded, from any thread.
#pragma once

#include <string>

namespace exporting {

// Loads the libraries, the first time it is called; later calls answer at
// once. False with `problem` set (the system's reason) when one of them
// cannot be loaded.
bool loadFfmpegLibraries(std::string& problem);

} // namespace exporting
