// What long-running work (an export) needs from the process: Ctrl+C and
// termination requests turned into a flag that it polls, so it can stop
// cleanly and remove what it half wrote instead of dying mid-write; whether a
// stream is a terminal, for progress output that rewrites its line in place;
// and the process number, to keep temporary file names apart.
//
// The flag is process-wide, as a signal is. Install and release from the main
// thread; platform_interrupt_requested() may be read from any thread.
#pragma once

#include <cstdio>
#include <string>

// Catches SIGINT and SIGTERM (on Windows Ctrl+C, Ctrl+Break and the
// console's close) until released, and clears the flag.
void platform_interrupt_catch();
// Restores the handlers that were in place before platform_interrupt_catch().
// Call once the work has stopped and cleaned up: on Windows a console that is
// being closed waits for this before it ends the process.
void platform_interrupt_release();
// Whether SIGINT or SIGTERM arrived since platform_interrupt_catch().
bool platform_interrupt_requested();

// Whether `stream` is an interactive terminal.
bool platform_stream_is_terminal(std::FILE* stream);

// The process number in decimal.
std::string platform_process_id();
