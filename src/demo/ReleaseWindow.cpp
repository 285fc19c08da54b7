// Reading the release's window settings (see ReleaseWindow.h). Pure; main thread.
#include "demo/ReleaseWindow.h"

namespace {

using nlohmann::json;

// The largest window side accepted, far beyond any screen.
constexpr int kLargestSide = 16384;

bool isSide(const json& value)
{
    return value.is_number_integer() && value.get<long long>() >= 1 && value.get<long long>() <= kLargestSide;
}

} // namespace

bool demo::readReleaseWindow(const json& document, ReleaseWindow& window, std::string& error)
{
    window = ReleaseWindow();
    if (!document.is_object())
        return true;
    const auto release = document.find("release");
    if (release == document.end() || release->is_null())
        return true;
    if (!release->is_object()) {
        error = "\"release\" must be an object such as {\"fullscreen\": false, \"size\": [1280, 720]}, not " +
                release->dump();
        return false;
    }
    const auto fullscreen = release->find("fullscreen");
    if (fullscreen != release->end() && !fullscreen->is_null()) {
        if (!fullscreen->is_boolean()) {
            error = "release.fullscreen must be true or false, not " + fullscreen->dump();
            return false;
        }
        window.fullscreen = fullscreen->get<bool>();
    }
    const auto size = release->find("size");
    if (size != release->end() && !size->is_null()) {
        if (!size->is_array() || size->size() != 2 || !isSide((*size)[0]) || !isSide((*size)[1])) {
            error = "release.size must be [width, height] in whole pixels from 1 to " + std::to_string(kLargestSide) +
                    ", not " + size->dump();
            return false;
        }
        window.width = (*size)[0].get<int>();
        window.height = (*size)[1].get<int>();
    }
    return true;
}
