// ExportProgress: how far an export has come, for the person waiting. On a
// terminal one bar rewritten in place (frames done, frames per second, time
// left), at most ten times a second; into a file or a pipe a plain line every
// few seconds, so logs stay readable. The count includes the warm-up frames
// drawn before a range (see Exporter.h), and says "(warming up)" while those
// are drawn.
//
// Writes to the stream it is given (standard error: standard output carries
// only the player's own texts). Times are passed in, so the output can be
// checked without waiting. Render thread only.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class ExportProgress {
public:
    // Seconds between plain lines when the stream is not a terminal.
    static constexpr double kPlainLineSeconds = 5.0;

    // `totalFrames` counts the first `warmUpFrames` too.
    ExportProgress(std::FILE* stream, bool terminal, uint64_t totalFrames, uint64_t warmUpFrames = 0);

    // `framesDone` frames are finished after `elapsedSeconds`; writes when due.
    void update(uint64_t framesDone, double elapsedSeconds);
    // The last report: the final bar, ended with a line break.
    void finish(uint64_t framesDone, double elapsedSeconds);

    // The bar as drawn on a terminal, without the carriage return.
    std::string barText(uint64_t framesDone, double elapsedSeconds) const;
    // "1:05" or "1:02:05" for a duration; "--:--" when unknown.
    static std::string clockText(double seconds);
    // The plain line, without the line break.
    std::string lineText(uint64_t framesDone, double elapsedSeconds) const;

private:
    void write(uint64_t framesDone, double elapsedSeconds);
    // "D/T frames", and while the warm-up lasts " (warming up)".
    std::string countText(uint64_t done) const;

    std::FILE* stream_;
    bool terminal_;
    uint64_t totalFrames_;
    uint64_t warmUpFrames_;
    double lastWritten_ = -1.0; // elapsed seconds at the last output, -1: none yet
    bool barShown_ = false;     // a bar waits on the terminal for its line break
};
