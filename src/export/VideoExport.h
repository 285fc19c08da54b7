// VideoExport: video files where this build has them. Video goes through
// FFmpeg's libraries (VideoFileWriter); a build without them (the Windows
// build) writes image sequences only and refuses a video name before anything
// is rendered, in one line that says so. Which of the two is chosen when the
// build is configured: VideoExportFfmpeg.cpp or VideoExportNone.cpp.
//
// videoExportProblem() from any thread; openVideoExport() on the thread that
// then writes to the sink, which the caller owns.
#pragma once

#include <memory>
#include <string>

#include "export/ExportTarget.h"
#include "export/FrameSink.h"
#include "export/VideoFileWriter.h"

namespace exporting {

// Whether this build writes video files (.mp4, .mkv).
bool videoExportBuilt();

// Why this build cannot write `target` (a sentence without the name), or ""
// when it can. Image sequences are always written.
std::string videoExportProblem(const ExportTarget& target);

// The open writer of the video file `finalPath`; null with `problem` set when
// it cannot be opened (nothing is left on disk then).
std::unique_ptr<FrameSink> openVideoExport(const std::string& finalPath, const VideoSettings& settings,
                                           const ExportSound& sound, std::string& problem);

} // namespace exporting
