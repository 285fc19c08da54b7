// The frames of an export's range (see ExportRange.h). Pure.
#include "app/ExportRange.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Times this close to a frame's own count as on it: rows and seconds that
// meet a frame exactly must not lose it to rounding.
constexpr double kFrameTolerance = 1e-6;

// The first frame at or after `seconds`.
uint64_t firstFrameFrom(double seconds, int fps)
{
    return static_cast<uint64_t>(std::max(0.0, std::ceil(seconds * fps - kFrameTolerance)));
}

std::string rowText(double row)
{
    char text[48];
    std::snprintf(text, sizeof text, "row %g", row);
    return text;
}

std::string secondsText(double seconds)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
}

} // namespace

bool app::exportRangeFor(const ExportRangeRequest& request, ExportRange& range, std::string& problem)
{
    const double rps = request.rowsPerSecond;
    if (request.firstRow >= request.demoEndRow) {
        problem = "the range starts at " + rowText(request.firstRow) + ", not before the demo's end at " +
                  rowText(request.demoEndRow);
        return false;
    }
    if (request.hasEndRow && request.endRow > request.demoEndRow) {
        problem = "the range ends at " + rowText(request.endRow) + ", after the demo's end at " +
                  rowText(request.demoEndRow);
        return false;
    }
    range.firstFrame = firstFrameFrom(request.firstRow / rps, request.fps);
    range.endFrame = firstFrameFrom((request.hasEndRow ? request.endRow : request.demoEndRow) / rps, request.fps);
    uint64_t demoEndFrame = firstFrameFrom(request.demoEndRow / rps, request.fps);

    if (request.hasTune) {
        // Frames that end within the tune: every frame has its sound.
        const uint64_t tuneFrames = static_cast<uint64_t>(
            std::floor(request.tuneSeconds * request.fps + kFrameTolerance));
        if (range.firstFrame >= tuneFrames || (request.hasEndRow && range.endFrame > tuneFrames)) {
            problem = "the range " + rowText(request.firstRow) + " to " +
                      rowText(request.hasEndRow ? request.endRow : request.demoEndRow) +
                      " reaches past the end of the tune at " + secondsText(request.tuneSeconds) + " (" +
                      rowText(request.tuneSeconds * rps) + ")";
            return false;
        }
        range.endFrame = std::min(range.endFrame, tuneFrames);
        demoEndFrame = std::min(demoEndFrame, tuneFrames);
    }
    range.endsTheDemo = range.endFrame >= demoEndFrame;
    if (range.endFrame <= range.firstFrame) {
        problem = "the range " + rowText(request.firstRow) + " to " +
                  rowText(request.hasEndRow ? request.endRow : request.demoEndRow) + " holds no frame at " +
                  std::to_string(request.fps) + " frames per second";
        return false;
    }
    return true;
}

std::vector<WarmUpFrame> app::warmUpFrames(const std::vector<int>& sceneOfFrame, uint64_t firstFrame,
                                           const std::vector<SceneCarry>& scenes)
{
    const auto carryOf = [&](size_t frame) -> const SceneCarry* {
        const int scene = sceneOfFrame[frame];
        return scene >= 0 && static_cast<size_t>(scene) < scenes.size() ? &scenes[static_cast<size_t>(scene)] : nullptr;
    };
    // The scenes that keep pictures and are drawn in the range, and whether it reads the sums.
    std::vector<bool> drawnAgain(scenes.size(), false);
    bool sumsRead = false;
    for (size_t k = static_cast<size_t>(firstFrame); k < sceneOfFrame.size(); ++k)
        if (const SceneCarry* carry = carryOf(k)) {
            drawnAgain[static_cast<size_t>(sceneOfFrame[k])] = carry->keepsPictures;
            sumsRead = sumsRead || carry->readsSums;
        }
    std::vector<WarmUpFrame> frames;
    const size_t before = std::min(sceneOfFrame.size(), static_cast<size_t>(firstFrame));
    for (size_t k = 0; k < before; ++k)
        if (const SceneCarry* carry = carryOf(k)) {
            if (drawnAgain[static_cast<size_t>(sceneOfFrame[k])])
                frames.push_back({k, true});
            else if (sumsRead && carry->feedsSums)
                frames.push_back({k, false});
        }
    return frames;
}
