// The start-up look for silent mistakes: gathers what the loaded demo holds
// (shader entries and their sources, scenes, tracks read and track files
// beside demo.json, the tune's length, the demo's timing) and writes each
// warning of MistakeChecks as one line on standard error. Never fatal. Main
// thread, after the demo is set up and before the first frame.
#pragma once

#include <string>
#include <vector>

#include "app/LoadedDemo.h"

namespace app {

// Writes the start-up warnings for `loaded` (in the working folder), whose
// tune lasts `tuneSeconds` (0: no tune).
void warnAboutDemoMistakes(const LoadedDemo& loaded, double tuneSeconds);

// After a live rebuild: the uniform warnings about `files` only, each file
// named as the description names it.
void warnAboutUniforms(const LoadedDemo& loaded, const std::vector<std::string>& files);

// What an export says about "keyboard" channels, which no key reaches
// there: one line naming the first in demo.json (and how many more), or ""
// when `scenes` read none.
std::string keyboardInExportNote(const std::vector<Scene>& scenes);

} // namespace app
