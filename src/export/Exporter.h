// Exporter: the demo rendered offline into a video file or an image sequence,
// frame-exact and in sync with its music. This is the export module's main
// header; the export layer uses only render's GL object owner, the timeline
// (the tune's offline clock) and the platform.
//
// The clock is offline: frame k shows t = start + k / fps, whatever the
// rendering costs, so no frame is dropped or repeated. For each frame the
// caller's render function draws the picture for t (given the spectrum of
// the tune at t, computed exactly as live playback does) into the current
// context's framebuffer. The exporter reads the frames back asynchronously
// (a ring of pixel buffer objects) and hands them to an encoder thread
// through a bounded queue, so drawing, readback and encoding overlap and
// memory does not grow with the length of the export.
//
// A range of a demo whose scenes carry pictures from frame to frame
// (feedback) first draws the frames before it that those pictures grow from:
// the warm-up frames are drawn like the others but neither read back nor
// written, and the progress counts them.
//
// Image sequences are written by every build; video files only by a build
// with FFmpeg's libraries (see VideoExport.h), elsewhere a video name is a
// usage error.
//
// Output goes to temporary names and is renamed into place only when
// complete: a failed or cancelled export leaves no file under the output's
// name. A tune that cannot be decoded fails the export before its first
// frame; an export without sound is asked for (no tune, or `sound` false).
// Problems are reported as one line on standard error and in the result;
// the caller turns UsageError into exit status 2, Failed into 1 and
// Cancelled into 130.
//
// Threads: run() is called on the thread that has the GL context current
// (the render thread) and returns when the export is complete; it starts
// and joins its own encoder thread. It owns the readback buffers, the queue,
// the encoder thread and the output files for the duration of the call.
#pragma once

#include <GL/glew.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "export/ExportDefaults.h"

class ExportProgress;
class ExportTarget;
class FrameQueue;
class FrameReadback;
class FrameSink;
class OfflineClock;
struct ExportRunFacts;

struct ExportSettings {
    std::string output;              // OUT: NAME.mp4, NAME.mkv or frame%05d.png
    int width = kDefaultExportWidth; // pixels of the frames
    int height = kDefaultExportHeight;
    int fps = kDefaultExportFps;              // frames per second, 1 .. kMaxExportFps
    int crf = kDefaultExportCrf;              // video quality, 0 (lossless) .. kMaxExportCrf
    std::string preset = kDefaultVideoPreset; // video encoder speed/size trade-off (x264 preset)
    double startSeconds = 0.0;                // time of frame 0
    double endSeconds = 0.0;                  // end of the range (exclusive), > startSeconds
    std::string tunePath;                     // the music (spectrum and sound); "" for none
    // The tune of tunePath already open (the caller's, used on run()'s
    // thread for the spectrum); null: run() opens it itself.
    OfflineClock* openTune = nullptr;
    bool sound = true;                     // false: the tune gives the spectrum alone
    bool endsTheDemo = false;              // no range is joined after this one (ExportSound::toTheEnd)
    GLuint sourceFramebuffer = 0;          // where the render function leaves the picture
    std::FILE* progressStream = stderr;    // progress output; null for none
    bool progressOnTerminal = false;       // a bar rewritten in place instead of lines
    std::function<bool()> cancelRequested; // polled once a frame; true stops the export
    // Polled after each frame is drawn; true: it could not be drawn (the
    // render function has said why on standard error) and the export fails.
    std::function<bool()> drawFailed;
    // Frames of the whole demo (frame k at k / fps seconds), before the
    // range, drawn first and not written (see ExportFrame::warmUp), in order.
    std::vector<uint64_t> warmUpFrames;
};

// What the render function is asked to draw.
struct ExportFrame {
    uint64_t index = 0;              // 0, 1, ... within this export (the warm-up's within the warm-up)
    uint64_t demoFrame = 0;          // on the whole demo's grid: seconds * fps
    double seconds = 0.0;            // the demo's time: startSeconds + index / fps (warm-up: demoFrame / fps)
    bool warmUp = false;             // drawn only for the frames after it: not written
    const float* spectrum = nullptr; // OfflineClock::kSpectrumBins magnitudes at `seconds`
};

// Draws the frame into the framebuffer given by sourceFramebuffer, at the
// export's size. Called on run()'s thread with the GL context current.
using ExportRenderFunction = std::function<void(const ExportFrame&)>;

enum class ExportStatus {
    Done,       // the output is complete under its name
    UsageError, // the request cannot be met (name, size, range, ...): nothing written
    Failed,     // writing or encoding failed: nothing left under the output's name
    Cancelled,  // cancelRequested said so: nothing left under the output's name
};

struct ExportResult {
    ExportStatus status = ExportStatus::Done;
    std::string message; // the line printed on standard error; "" when Done
    uint64_t frames = 0; // frames written (all of them when Done)
};

class Exporter {
public:
    // Frames of a range: every k with start + k / fps before end.
    static uint64_t frameCount(double startSeconds, double endSeconds, int fps);

    // Reads the output's name into `target`. False with `problem` set (a
    // sentence without the name) when the name asks for nothing this program
    // writes, or for a kind this build does not write. Touches no file.
    static bool readOutput(const std::string& output, ExportTarget& target, std::string& problem);

    explicit Exporter(ExportSettings settings);

    // Runs the whole export. Needs a current GL context whose framebuffer
    // holds at least width x height pixels.
    ExportResult run(const ExportRenderFunction& render);

private:
    // Drives the frames through readback and the encoder thread into `sink`,
    // and completes or discards it.
    ExportResult renderAndEncode(FrameSink& sink, OfflineClock& clock, const ExportRenderFunction& render);
    // The render loop: draws each frame of the range, starts its readback and
    // hands the oldest read-back frame to `queue`, until the range ends, the
    // person cancels or a frame cannot be drawn or read back.
    ExportRunFacts renderFrames(FrameReadback& readback, FrameQueue& queue, OfflineClock& clock,
                                const ExportRenderFunction& render, ExportProgress& progress,
                                std::chrono::steady_clock::time_point started);

    ExportSettings settings_;
};
