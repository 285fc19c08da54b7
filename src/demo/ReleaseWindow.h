// How a release shows the demo (`demoplayer --release`, which the release
// archives' launchers use): full screen at the screen's resolution, unless
// the optional "release" object of "demo.json" says otherwise:
//   "release": { "fullscreen": false, "size": [1280, 720] }
// "fullscreen" (default true) and "size" (the window's width and height in
// pixels when it is not full screen; default the screen's size) are both
// optional. Playing without --release does not use them, though the loader
// refuses a malformed "release" as it refuses any malformed key. Pure; main
// thread.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

struct ReleaseWindow {
    bool fullscreen = true; // full screen at the screen's resolution
    int width = 0;          // the window's size when not full screen;
    int height = 0;         // 0 x 0: the screen's size
};

namespace demo {

// Reads the "release" object of `document` (other values than an object
// give the defaults). Returns false when it is not an object or holds a
// value of the wrong kind; `error` then names the value and says what is
// expected, e.g. release.size must be [width, height] in pixels, not "big".
bool readReleaseWindow(const nlohmann::json& document, ReleaseWindow& window, std::string& error);

} // namespace demo
