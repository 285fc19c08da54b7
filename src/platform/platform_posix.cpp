// POSIX implementation of the platform contract, with X11/GLX for the swap
// interval. Main thread only; the exit and signal handlers installed by the
// console run on whichever thread ends the process and only write bytes.
#include "platform/platform.h"

#include <GL/glew.h>
#include <GL/glxew.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iostream>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

namespace {

// ANSI escapes: bright white on black, light red on black, and back to the
// terminal's own colours.
const char* const kColourEscapes[] = {"\033[0m", "\033[97;40m", "\033[91;40m"};
const char kResetEscape[] = "\033[0m";

void restoreColoursAtExit()
{
    std::cout << kResetEscape << std::flush;
}

// Async-signal-safe: writes the reset with write(2), then lets the signal's
// default action end the process as it would have.
void restoreColoursOnSignal(int signalNumber)
{
    ssize_t written = write(STDOUT_FILENO, kResetEscape, sizeof kResetEscape - 1);
    (void)written;
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

void restoreColoursOnSignals()
{
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        // A handler someone else installed (or SIG_IGN) stays as it is.
        struct sigaction current;
        if (sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            std::signal(signalNumber, restoreColoursOnSignal);
    }
}

// Marks a loaded Mesa DRI driver (the module that does the GL work) as never
// to be unloaded.
int keepDriverModule(dl_phdr_info* info, size_t, void*)
{
    if (info->dlpi_name != nullptr && std::strstr(info->dlpi_name, "_dri.so") != nullptr)
        dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

} // namespace

void platform_console_open(PlatformConsole& console)
{
    // NO_COLOR counts when it is set to anything but the empty text.
    const char* noColor = std::getenv("NO_COLOR");
    const bool colourRefused = noColor != nullptr && noColor[0] != '\0';
    console.coloured = isatty(STDOUT_FILENO) == 1 && !colourRefused;
    console.colour = PLATFORM_COLOUR_DEFAULT;
}

void platform_console_hide_own_window() {}

bool platform_stdout_is_terminal()
{
    return isatty(STDOUT_FILENO) == 1;
}

void platform_console_set_colour(PlatformConsole& console, PlatformColour colour)
{
    if (!console.coloured || console.colour == colour)
        return;
    if (!console.restoreAtExit) {
        std::atexit(restoreColoursAtExit);
        restoreColoursOnSignals();
        console.restoreAtExit = true;
    }
    std::cout << kColourEscapes[colour];
    console.colour = colour;
}

void platform_swap_interval(int interval)
{
    // glewInit has loaded the GLX extension entry points along with GL's.
    if (GLXEW_EXT_swap_control) {
        Display* display = glXGetCurrentDisplay();
        GLXDrawable drawable = glXGetCurrentDrawable();
        if (display != nullptr && drawable != 0) {
            glXSwapIntervalEXT(display, drawable, interval);
            return;
        }
    }
    if (GLXEW_MESA_swap_control) {
        glXSwapIntervalMESA(static_cast<unsigned int>(interval));
        return;
    }
    if (GLXEW_SGI_swap_control)
        glXSwapIntervalSGI(interval);
}

void platform_keep_gl_driver_loaded()
{
    dl_iterate_phdr(keepDriverModule, nullptr);
}

// ALSA's error printer, replaced by one that prints nothing.
static void ignoreSoundLibraryError(const char*, int, const char*, int, const char*, ...) {}

void platform_quiet_sound_library()
{
    using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetErrorHandler = int (*)(ErrorHandler);
    // The audio output loads the same library by the same name, so the
    // handler set here is the one it uses. The library stays loaded for the
    // rest of the process, which keeps the handler valid.
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (alsa == nullptr)
        return;
    auto setErrorHandler = reinterpret_cast<SetErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (setErrorHandler != nullptr)
        setErrorHandler(ignoreSoundLibraryError);
}

void* platform_load_library(const char* name, int version, std::string& problem)
{
    const std::string file = "lib" + std::string(name) + ".so." + std::to_string(version);
    void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = dlerror();
        problem = reason != nullptr ? reason : file + ": cannot be loaded";
    }
    return library;
}

PlatformFunction platform_library_function(void* library, const char* name)
{
    return reinterpret_cast<PlatformFunction>(dlsym(library, name));
}
