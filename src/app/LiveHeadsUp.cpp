// Live mode's status line and heads-up display (see LiveHeadsUp.h). Main thread.
#include "app/LiveHeadsUp.h"

#include <GL/glew.h>

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

std::vector<HudLine> app::headsUpLines(const LiveFrameStatus& status, const LoopRange& loop, const std::string& latest,
                                       const ReloadProblems& problems, bool statusShown)
{
    std::vector<HudLine> lines;
    if (statusShown) {
        lines.push_back({liveStatusText(status).substr(6)}); // without "live: "
        lines.push_back({loopText(loop)});
        if (!latest.empty())
            lines.push_back({latest, 160, 255, 160});
    }
    for (const std::string& message : problems.distinctMessages()) {
        std::size_t start = 0;
        for (std::size_t line = 0; line < kShownProblemLines && start < message.size(); ++line) {
            std::size_t end = message.find('\n', start);
            if (end == std::string::npos)
                end = message.size();
            lines.push_back({message.substr(start, end - start), 255, 96, 96});
            start = end + 1;
        }
    }
    return lines;
}

void LiveHeadsUp::toggle()
{
    statusShown_ = !statusShown_;
    console_.line(statusShown_ ? "DISPLAY ON" : "DISPLAY OFF");
}

void LiveHeadsUp::reportFrame(const FrameValues& values, bool sceneFound, const LoopRange& loop)
{
    ++rateFrames_;
    const double rateSeconds = secondsSince(rateStart_);
    if (rateSeconds >= 0.5) {
        status_.framesPerSecond = rateFrames_ / rateSeconds;
        rateFrames_ = 0;
        rateStart_ = std::chrono::steady_clock::now();
    }
    status_.row = values.row;
    status_.seconds = values.seconds;
    status_.sceneIndex = values.sceneIndex;
    status_.sceneFound = sceneFound;
    status_.fftValue = values.fftValue;
    console_.status(app::liveStatusText(status_) + " | " + app::loopText(loop), secondsSince(start_));
}

void LiveHeadsUp::draw(const FrameView& place, const LoopRange& loop, const std::string& latest,
                       const ReloadProblems& problems)
{
    const std::vector<HudLine> lines = app::headsUpLines(status_, loop, latest, problems, statusShown_);
    glBindFramebuffer(GL_FRAMEBUFFER, place.framebuffer);
    display_.draw(lines, place.width, place.height, place.x, place.y);
}
