// Interrupt flag, terminal test and process number on Windows. Ctrl+C,
// Ctrl+Break and the console's close arrive as console control events, on a
// thread of their own, in place of the POSIX signals. Windows ends the
// process as soon as the handler of a close returns, so that handler waits
// (within the few seconds Windows grants) until the work has stopped and
// released the flag, and what it half wrote is removed before the end.
#include "platform/process.h"

#include <windows.h>

#include <io.h>

#include <atomic>

// How long the handler of a close waits for the work to stop: below the
// five seconds after which Windows ends the process anyway.
static const DWORD kCloseGraceMilliseconds = 4500;

static std::atomic<bool> interruptRequested{false};
static bool caught = false;
// Signalled by platform_interrupt_release(): the work has stopped.
static HANDLE workStopped = nullptr;

static BOOL WINAPI onControlEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        interruptRequested = true;
        return TRUE; // handled: the work stops by itself
    case CTRL_CLOSE_EVENT:
        interruptRequested = true;
        if (workStopped != nullptr)
            WaitForSingleObject(workStopped, kCloseGraceMilliseconds);
        return TRUE;
    default:
        return FALSE;
    }
}

void platform_interrupt_catch()
{
    interruptRequested = false;
    if (caught)
        return;
    if (workStopped == nullptr)
        workStopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    else
        ResetEvent(workStopped);
    caught = SetConsoleCtrlHandler(onControlEvent, TRUE) != 0;
}

void platform_interrupt_release()
{
    if (!caught)
        return;
    if (workStopped != nullptr)
        SetEvent(workStopped); // a close waiting in the handler may end the process now
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
