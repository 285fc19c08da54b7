// Windows implementation of the platform contract's console, GL and sound
// calls: console colours through the console API, the swap interval through
// WGL. The file calls are in files_win32.cpp.
// Main thread only; the console's control handler runs on the thread Windows
// creates for Ctrl+C and only restores the console's colours.
#include "platform/platform.h"

#include <io.h>

#include <windows.h>

#include <cstdio>
#include <iostream>
#include <cstdlib>

namespace {

// Console attributes of the frame report: COLOR 0F and COLOR 0C of the
// command interpreter, as foreground and background bits.
const WORD kBrightWhiteOnBlack = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE | FOREGROUND_INTENSITY;
const WORD kLightRedOnBlack = FOREGROUND_RED | FOREGROUND_INTENSITY;

// The console's attributes before the first change, put back at exit. The
// exit and control handlers take no argument, so this one value lives here
// rather than in the caller's PlatformConsole. Set before they are installed.
WORD originalAttributes = kBrightWhiteOnBlack & ~FOREGROUND_INTENSITY;

HANDLE consoleOutput()
{
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

void restoreColoursAtExit()
{
    std::cout.flush();
    SetConsoleTextAttribute(consoleOutput(), originalAttributes);
}

// Ctrl+C, Ctrl+Break, closing the console: the colours come back, then the
// default handling ends the process as it would have.
BOOL WINAPI restoreColoursOnControl(DWORD)
{
    SetConsoleTextAttribute(consoleOutput(), originalAttributes);
    return FALSE;
}

} // namespace

void platform_console_open(PlatformConsole& console)
{
    // NO_COLOR counts when it is set to anything but the empty text.
    const char* noColor = std::getenv("NO_COLOR");
    const bool colourRefused = noColor != nullptr && noColor[0] != '\0';
    // Only a real console has a mode; a file or a pipe (a redirected player,
    // a terminal emulator's pipe) gets no colour changes.
    DWORD mode = 0;
    CONSOLE_SCREEN_BUFFER_INFO information;
    const HANDLE output = consoleOutput();
    console.coloured = !colourRefused && output != INVALID_HANDLE_VALUE && output != nullptr &&
                       GetConsoleMode(output, &mode) && GetConsoleScreenBufferInfo(output, &information);
    if (console.coloured && !console.restoreAtExit)
        originalAttributes = information.wAttributes;
    console.colour = PLATFORM_COLOUR_DEFAULT;
}

void platform_console_hide_own_window()
{
    // A console that lists only this process was made for it; one started
    // from a console (cmd.exe, play.bat run there) shares it with its parent.
    DWORD processes[2];
    const HWND window = GetConsoleWindow();
    if (window != nullptr && GetConsoleProcessList(processes, 2) == 1)
        ShowWindow(window, SW_HIDE);
}

bool platform_stdout_is_terminal()
{
    return _isatty(_fileno(stdout)) != 0;
}

void platform_console_set_colour(PlatformConsole& console, PlatformColour colour)
{
    if (!console.coloured || console.colour == colour)
        return;
    if (!console.restoreAtExit) {
        std::atexit(restoreColoursAtExit);
        SetConsoleCtrlHandler(restoreColoursOnControl, TRUE);
        console.restoreAtExit = true;
    }
    // What was printed before keeps the colour it was printed in.
    std::cout.flush();
    WORD attributes = originalAttributes;
    if (colour == PLATFORM_COLOUR_BRIGHT_WHITE)
        attributes = kBrightWhiteOnBlack;
    else if (colour == PLATFORM_COLOUR_LIGHT_RED)
        attributes = kLightRedOnBlack;
    SetConsoleTextAttribute(consoleOutput(), attributes);
    console.colour = colour;
}

void platform_swap_interval(int interval)
{
    using SwapIntervalExt = BOOL(WINAPI*)(int);
    // The entry point exists only where the driver offers WGL_EXT_swap_control.
    const PROC entry = wglGetProcAddress("wglSwapIntervalEXT");
    if (entry == nullptr)
        return;
    reinterpret_cast<SwapIntervalExt>(reinterpret_cast<void*>(entry))(interval);
}

void platform_keep_gl_driver_loaded()
{
    // Windows keeps an ICD loaded while its context lives; nothing to do.
}

void platform_quiet_sound_library()
{
    // The system's sound API prints nothing by itself.
}

void* platform_load_library(const char* name, int version, std::string& problem)
{
    const std::string file = std::string(name) + "-" + std::to_string(version) + ".dll";
    HMODULE library = LoadLibraryA(file.c_str());
    if (library == nullptr)
        problem = file + ": cannot be loaded (error " + std::to_string(GetLastError()) + ")";
    return reinterpret_cast<void*>(library);
}

PlatformFunction platform_library_function(void* library, const char* name)
{
    return reinterpret_cast<PlatformFunction>(GetProcAddress(static_cast<HMODULE>(library), name));
}
