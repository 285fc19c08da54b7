// The platform layer, at the bottom of the player: every operating-system
// and compiler specific call (files, their warnings and watching, the
// console, the GL context record, processes) behind small contracts, so no
// layer above sees an #ifdef. It uses nothing of the player.
//
// The few operating-system calls the player makes, behind one small contract.
// One implementation per system, chosen when the build is configured, each
// as files_SYSTEM.cpp (the file calls: no GL, no window system) and
// platform_SYSTEM.cpp (the rest): posix (Linux with X11), win32 (Windows) and
// null, which uses only the standard library, touches no terminal, GL or
// sound library, and serves the unit tests. Callers never see #ifdef. Compiler and processor
// specifics for hot loops sit beside it in cpu.h. Main thread only unless a
// function says otherwise. Paths are UTF-8 text everywhere in the program;
// each implementation converts them to what its system expects.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Modification time of `path` in seconds since 1970 (UTC), reduced to its low
// 32 bits.
// Returns false (and leaves `time` alone) when the file's status cannot be read.
bool platform_file_time(const char* path, int32_t& time);

// Modification time of `path` at the file system's full resolution, in
// nanoseconds since 1970 (UTC): for telling whether a file changed, or which
// of two files was written later when both were written within one second.
// Returns false (and leaves `nanoseconds` alone) when the file's status cannot
// be read. Any thread. The null implementation has what the standard library
// gives, which on MinGW is whole seconds.
bool platform_file_time_ns(const char* path, int64_t& nanoseconds);

// Opens `path` for reading, in binary mode, only when it is a regular file
// (symbolic links followed). Never blocks: a named pipe, a device or a
// directory is refused without being read, so a demo folder with one in
// place of a file cannot hang or exhaust the player. On success returns the
// open file, which the caller closes, and sets `sizeBytes` to its size. On
// failure returns nullptr and sets `problem` to a short reason without the
// file name: the system's text ("No such file or directory", "Permission
// denied", ...) or "is a directory", "is a named pipe", "is a device",
// "is not a regular file". Any thread.
std::FILE* platform_open_regular_file(const char* path, uint64_t& sizeBytes, std::string& problem);

// Console colours of the frame report.
enum PlatformColour {
    PLATFORM_COLOUR_DEFAULT = 0,      // the terminal's own colours
    PLATFORM_COLOUR_BRIGHT_WHITE = 1, // bright white on black: the row has its scene
    PLATFORM_COLOUR_LIGHT_RED = 2,    // light red on black: the row has no scene
};

// Standard output as the frame report colours it. The caller owns it (the
// player keeps one in AppState); it remembers the colour last written, so
// escapes go out only when the colour changes.
struct PlatformConsole {
    bool coloured = false;                           // false: nothing is ever written
    bool restoreAtExit = false;                      // the exit restore is in place
    PlatformColour colour = PLATFORM_COLOUR_DEFAULT; // colour currently set
};

// Prepares `console`. Colours are written only when standard output is a
// terminal and NO_COLOR is unset (or empty).
void platform_console_open(PlatformConsole& console);

// Whether standard output is a terminal (not a file or a pipe).
bool platform_stdout_is_terminal();

// Hides the console window when it was made for this process alone (on
// Windows, a console program started by a double-click or by `start` gets
// a window of its own), so that a viewer sees only the demo's window. What
// the program writes still goes to that console; a console the program was
// started from stays as it is. Does nothing on other systems.
void platform_console_hide_own_window();

// Switches standard output to `colour`; writes nothing when it is already set.
// Once a colour has been written, the terminal's own colours come back when
// the process exits or is ended by SIGINT, SIGTERM or SIGHUP, so an
// interrupted demo does not leave the terminal red.
void platform_console_set_colour(PlatformConsole& console, PlatformColour colour);

// Asks for `interval` frames per buffer swap on the current GL context.
// Call after the extension loader is up. Uses the first swap-control
// extension the driver offers; does nothing when it offers none.
void platform_swap_interval(int interval);

// Keeps the GL driver that the current context loaded in memory until the
// process ends. Call once a context exists. Nothing changes for the program;
// leak checkers that report at exit can then still name the driver's own
// allocations (an unloaded driver's frames have no module to match).
void platform_keep_gl_driver_loaded();

// Quiets the diagnostics that the system's sound library prints by itself
// while the audio layer probes for an output device (ALSA writes several
// lines to standard error for a machine without a sound card). The audio
// layer reports a missing device in one line of its own. Call before the
// audio subsystem starts; does nothing where there is no such library.
void platform_quiet_sound_library();

// A function found in a library loaded at run time; cast to its own type.
using PlatformFunction = void (*)();

// Loads the system's shared library `name` of major version `version`, as
// the system names such files (libNAME.so.VERSION; NAME-VERSION.dll), for a
// part of the program that only some runs use, so that the others do not pay
// for loading it at start. Returns its handle, which stays valid until the
// process ends, or nullptr with `problem` set to the system's reason. Any
// thread. The null implementation loads nothing.
void* platform_load_library(const char* name, int version, std::string& problem);

// The function `name` of `library` (or of the libraries it depends on), or
// nullptr when there is none. Any thread.
PlatformFunction platform_library_function(void* library, const char* name);
