// Which frames an export holds. Frames lie on one grid for the whole demo,
// frame k at k / fps seconds, so that segments exported separately (a render
// farm's --rows A:B pieces) hold exactly the frames of one whole export: a
// range takes the frames whose time lies in [A, B) rows. Without B it runs to
// the demo's end row, or the tune's end when that comes first (whole frames
// only); a range that reaches outside the demo is refused.
//
// A scene whose passes keep their previous picture (feedback) draws a frame
// that grows from every frame it drew before, since the demo's start; the
// spectrum's sums (texFFTIntegrated) grow from every earlier frame of a
// scene that reads the spectrum. So a range first goes through the earlier
// frames that its own frames grow from, unseen: the warm-up. The same
// choice serves a start at a later row when playing.
//
// Pure; main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "demo/DemoTiming.h"
#include "export/ExportDefaults.h"

struct ExportRangeRequest {
    double firstRow = 0.0;  // A
    bool hasEndRow = false; // B given; otherwise the demo's end
    double endRow = 0.0;    // B
    double rowsPerSecond = kDefaultRowsPerSecond;
    double demoEndRow = kDefaultEndRow; // where the demo is over
    bool hasTune = false;               // the tune could be decoded
    double tuneSeconds = 0.0;           // its length
    int fps = kDefaultExportFps;
};

struct ExportRange {
    uint64_t firstFrame = 0;  // on the whole demo's grid: at firstFrame / fps seconds
    uint64_t endFrame = 0;    // the frame after the last one
    bool endsTheDemo = false; // endFrame is where the whole demo's export ends: nothing follows

    double startSeconds(int fps) const { return static_cast<double>(firstFrame) / fps; }
    double endSeconds(int fps) const { return static_cast<double>(endFrame) / fps; }
    uint64_t frameCount() const { return endFrame - firstFrame; }
};

// What a scene's frames carry on to later frames, and need from earlier ones.
struct SceneCarry {
    bool keepsPictures = false; // a pass reads its previous picture (see Scene::keepsPictures)
    bool feedsSums = false;     // it reads the spectrum, so its frames add to the spectrum's sums
    bool readsSums = false;     // it reads the live-coding tools' 1D spectrum, the sums among them
};

// One frame of a warm-up.
struct WarmUpFrame {
    uint64_t frame = 0; // on the grid
    bool drawn = true;  // false: only its spectrum is added to the sums
};

namespace app {

// The frames `request` asks for. False with `problem` set (a sentence that
// names the rows) when the range reaches outside the demo or holds no frame.
bool exportRangeFor(const ExportRangeRequest& request, ExportRange& range, std::string& problem);

// The frames before `firstFrame` to go through unseen so that the frames
// from `firstFrame` on are those of a run from the demo's start, in order:
// drawn, each earlier frame of a scene that keeps pictures and is drawn
// again at or after `firstFrame`; counted, when the range reads the sums,
// each other earlier frame that adds to them. `sceneOfFrame` holds the
// scene each frame of the grid draws (-1: none), from frame 0 to the end of
// the range. Other scenes cost nothing: their frames depend on the moment
// alone (iFrame counts from the demo's start).
std::vector<WarmUpFrame> warmUpFrames(const std::vector<int>& sceneOfFrame, uint64_t firstFrame,
                                      const std::vector<SceneCarry>& scenes);

} // namespace app
