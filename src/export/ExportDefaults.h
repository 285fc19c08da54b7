// An export's defaults and limits, written once: the command line, the
// exporter's own checks and the video writer read them here. Constants; any
// thread.
#pragma once

#include <algorithm>
#include <cstring>
#include <iterator>

// The frames' size when --size is not given.
inline constexpr int kDefaultExportWidth = 1280;
inline constexpr int kDefaultExportHeight = 720;

// Frames per second: the default, and the most an export takes.
inline constexpr int kDefaultExportFps = 60;
inline constexpr int kMaxExportFps = 1000;

// Video quality (x264's constant quality): the default, and its range's top
// (0 is lossless).
inline constexpr int kDefaultExportCrf = 18;
inline constexpr int kMaxExportCrf = 51;

// The H.264 encoder's presets, fastest first, and the default one.
inline constexpr const char* kVideoPresets[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                                "medium",    "slow",      "slower",   "veryslow", "placebo"};
inline constexpr const char* kDefaultVideoPreset = "veryfast";

// Whether `name` is one of kVideoPresets.
inline bool isVideoPreset(const char* name)
{
    return std::any_of(std::begin(kVideoPresets), std::end(kVideoPresets),
                       [&](const char* preset) { return std::strcmp(preset, name) == 0; });
}
