// What an export came to once its frames are drawn and its encoder threads
// joined: a pure decision, so every combination of failures is tested
// without a GL context or a file. The exporter finishes the sink only on
// Done (finishing may still fail), and discards it otherwise.
//
// Any thread.
#pragma once

#include <cstdint>
#include <string>

#include "export/Exporter.h"

// How the frames went.
struct ExportRunFacts {
    uint64_t framesWanted = 0;  // the frames of the range
    uint64_t framesWritten = 0; // the frames the sink took
    uint64_t warmUpDrawn = 0;   // frames drawn before the range, not written
    bool cancelled = false;     // the person stopped it (Ctrl+C)
    bool drawFailed = false;    // the render function could not draw a frame
    bool readbackFailed = false;
    std::string sinkProblem; // the first problem the sink reported; "" for none
};

struct ExportVerdict {
    ExportStatus status = ExportStatus::Done;
    std::string problem; // for Cancelled and Failed: the line to say after "OUT: "
};

namespace exporting {

// Cancelled first (nothing was written, whatever else happened), then a
// frame that could not be drawn, a failed readback, the sink's own problem,
// and frames that never reached the sink; Done when none of these.
ExportVerdict exportVerdict(const ExportRunFacts& facts);

} // namespace exporting
