// Interrupt flag, terminal test and process number on POSIX systems.
#include "platform/process.h"

#include <signal.h>
#include <unistd.h>

// Written by the signal handler, hence a sig_atomic_t of the process's own.
static volatile sig_atomic_t interruptRequested = 0;
static struct sigaction previousInterrupt;
static struct sigaction previousTerminate;
static bool caught = false;

static void onInterrupt(int)
{
    interruptRequested = 1;
}

void platform_interrupt_catch()
{
    interruptRequested = 0;
    if (caught)
        return;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousInterrupt);
    sigaction(SIGTERM, &action, &previousTerminate);
    caught = true;
}

void platform_interrupt_release()
{
    if (!caught)
        return;
    sigaction(SIGINT, &previousInterrupt, nullptr);
    sigaction(SIGTERM, &previousTerminate, nullptr);
    caught = false;
}

bool platform_interrupt_requested()
{
    return interruptRequested != 0;
}

bool platform_stream_is_terminal(std::FILE* stream)
{
    return stream != nullptr && isatty(fileno(stream)) == 1;
}

std::string platform_process_id()
{
    return std::to_string(static_cast<long long>(getpid()));
}
