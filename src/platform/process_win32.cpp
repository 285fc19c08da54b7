// Interrupt flag, terminal test and process number on Windows. Ctrl+C,
// Ctrl+Break and the console's close arrive as console control events, on a
// thread of their own, in place of the POSIX signals.
#include "platform/process.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <io.h>

#include <atomic>

static std::atomic<bool> interruptRequested{false};
static bool caught = false;

static BOOL WINAPI onControlEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        interruptRequested = true;
        return TRUE; // handled: the work stops by itself
    default:
        return FALSE;
    }
}

void platform_interrupt_catch()
{
    interruptRequested = false;
    if (caught)
        return;
    caught = SetConsoleCtrlHandler(onControlEvent, TRUE) != 0;
}

void platform_interrupt_release()
{
    if (!caught)
        return;
    SetConsoleCtrlHandler(onControlEvent, FALSE);
    caught = false;
}

bool platform_interrupt_requested()
{
    return interruptRequested;
}

bool platform_stream_is_terminal(std::FILE* stream)
{
    return stream != nullptr && _isatty(_fileno(stream)) != 0;
}

std::string platform_process_id()
{
    return std::to_string(static_cast<unsigned long long>(GetCurrentProcessId()));
}
