// The process-wide AppState instance and the console it speaks through.
// Main thread only.
#include "app/AppState.h"

#include <iostream>

namespace {
ConsoleSink standardConsole(std::cout, std::cerr);
} // namespace

AppState appState(standardConsole);
