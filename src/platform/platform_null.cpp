// Null implementation of the platform contract's console, GL and sound calls:
// the console is never coloured, there is no swap interval to set, no GL
// context is known and no sound library is quieted. With files_null.cpp the
// unit tests link it, and it is where a port to a new system starts.
#include "platform/platform.h"

void platform_console_open(PlatformConsole& console)
{
    console.coloured = false;
    console.colour = PLATFORM_COLOUR_DEFAULT;
}

void platform_console_hide_own_window() {}

bool platform_stdout_is_terminal()
{
    return false;
}

void platform_console_set_colour(PlatformConsole&, PlatformColour) {}

void platform_swap_interval(int) {}

void platform_keep_gl_driver_loaded() {}

void platform_quiet_sound_library() {}

void* platform_load_library(const char* name, int version, std::string& problem)
{
    problem = "lib" + std::string(name) + "." + std::to_string(version) + ": this build loads no libraries";
    return nullptr;
}

PlatformFunction platform_library_function(void*, const char*)
{
    return nullptr;
}
