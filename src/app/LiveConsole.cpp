// The status line and its forms. Main thread.
#include "app/LiveConsole.h"

#include <cstdio>

namespace {

// Back to the start of the line and erase it: the terminal's status line goes.
constexpr const char* kEraseLine = "\r\033[K";

std::string rowText(double row)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", row);
    return text;
}

} // namespace

std::string app::liveStatusText(const LiveFrameStatus& status)
{
    char text[160];
    std::snprintf(text, sizeof text, "live: row %d | %.2f s | scene %d%s | %.0f fps | fft %.3f",
                  static_cast<int>(status.row), status.seconds, status.sceneIndex, status.sceneFound ? "" : " (none)",
                  status.framesPerSecond, static_cast<double>(status.fftValue));
    return text;
}

std::string app::loopText(const LoopRange& loop)
{
    if (loop.hasStart() && loop.hasEnd())
        return "loop " + rowText(loop.start()) + "-" + rowText(loop.end()) + (loop.active() ? "" : " (empty)");
    if (loop.hasStart())
        return "loop from " + rowText(loop.start());
    if (loop.hasEnd())
        return "loop to " + rowText(loop.end());
    return "loop off";
}

void LiveConsole::line(const std::string& text)
{
    clearStatus();
    out_ << text << '\n';
    out_.flush();
}

void LiveConsole::clearStatus()
{
    if (!statusShown_)
        return;
    out_ << kEraseLine;
    out_.flush();
    statusShown_ = false;
}

void LiveConsole::status(const std::string& text, double nowSeconds)
{
    if (terminal_) {
        out_ << kEraseLine << text;
        out_.flush();
        statusShown_ = true;
        return;
    }
    if (anyStatus_ && nowSeconds - lastStatus_ < 1.0)
        return;
    anyStatus_ = true;
    lastStatus_ = nowSeconds;
    out_ << text << '\n';
    out_.flush();
}
