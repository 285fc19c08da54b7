// ExportProgress: progress bar and progress lines of an export.
#include "export/ExportProgress.h"

#include <algorithm>
#include <cmath>

static const int kBarCells = 30;
static const double kBarSeconds = 0.1;

std::string ExportProgress::clockText(double seconds)
{
    if (!(seconds >= 0.0) || seconds > 1e7)
        return "--:--";
    const long long total = static_cast<long long>(std::llround(seconds));
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    return text;
}

// Frames per second and time left, as the bar and the line show them.
static std::string rateText(uint64_t done, uint64_t total, double elapsed)
{
    const double rate = elapsed > 0.0 ? static_cast<double>(done) / elapsed : 0.0;
    const double left = rate > 0.0 ? static_cast<double>(total - std::min(done, total)) / rate : -1.0;
    char text[64];
    std::snprintf(text, sizeof text, "%.1f fps, %s left", rate, ExportProgress::clockText(left).c_str());
    return text;
}

ExportProgress::ExportProgress(std::FILE* stream, bool terminal, uint64_t totalFrames, uint64_t warmUpFrames)
    : stream_(stream), terminal_(terminal), totalFrames_(totalFrames), warmUpFrames_(warmUpFrames)
{
}

std::string ExportProgress::countText(uint64_t done) const
{
    return std::to_string(done) + "/" + std::to_string(totalFrames_) + " frames" +
           (done < warmUpFrames_ ? " (warming up)" : "");
}

std::string ExportProgress::barText(uint64_t framesDone, double elapsedSeconds) const
{
    const uint64_t done = std::min(framesDone, totalFrames_);
    const int filled = totalFrames_ == 0 ? kBarCells : static_cast<int>(done * kBarCells / totalFrames_);
    std::string bar = "[" + std::string(static_cast<size_t>(filled), '#') +
                      std::string(static_cast<size_t>(kBarCells - filled), ' ') + "] ";
    return bar + countText(done) + ", " + rateText(done, totalFrames_, elapsedSeconds);
}

std::string ExportProgress::lineText(uint64_t framesDone, double elapsedSeconds) const
{
    const uint64_t done = std::min(framesDone, totalFrames_);
    return "export: " + countText(done) + ", " + rateText(done, totalFrames_, elapsedSeconds);
}

void ExportProgress::write(uint64_t framesDone, double elapsedSeconds)
{
    if (terminal_) {
        // The trailing erase clears what a longer previous bar left.
        std::fprintf(stream_, "\r%s\x1b[K", barText(framesDone, elapsedSeconds).c_str());
        barShown_ = true;
    } else {
        std::fprintf(stream_, "%s\n", lineText(framesDone, elapsedSeconds).c_str());
    }
    std::fflush(stream_);
    lastWritten_ = elapsedSeconds;
}

void ExportProgress::update(uint64_t framesDone, double elapsedSeconds)
{
    const double interval = terminal_ ? kBarSeconds : kPlainLineSeconds;
    if (lastWritten_ < 0.0 ? (terminal_ || elapsedSeconds >= interval) : elapsedSeconds - lastWritten_ >= interval)
        write(framesDone, elapsedSeconds);
}

void ExportProgress::finish(uint64_t framesDone, double elapsedSeconds)
{
    write(framesDone, elapsedSeconds);
    if (terminal_ && barShown_) {
        std::fputc('\n', stream_);
        std::fflush(stream_);
    }
    barShown_ = false;
}
