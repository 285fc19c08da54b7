// The frame loop's decisions (see FrameDecisions.h). Pure functions; main thread.
#include "app/FrameDecisions.h"

#include <limits>

#include "sync/track.h"

int app::truncateToInt(double value)
{
    // The open range (INT_MIN - 1, INT_MAX + 1) is exactly what truncates
    // into int; NaN fails both comparisons.
    constexpr double lowest = static_cast<double>(std::numeric_limits<int>::min()) - 1.0;
    constexpr double beyondHighest = static_cast<double>(std::numeric_limits<int>::max()) + 1.0;
    if (!(value > lowest && value < beyondHighest))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

bool app::sceneExists(int sceneIndex, std::size_t sceneCount)
{
    return static_cast<std::size_t>(static_cast<uint32_t>(sceneIndex)) < sceneCount;
}

float app::spectrumValueAt(const float* spectrum, int binCount, double binTrackValue)
{
    const int bin = truncateToInt(binTrackValue);
    if (bin < 0 || bin >= binCount)
        return 0.0f;
    return spectrum[bin];
}

namespace {

float trackValue(const SyncTrack* track, double row)
{
    return track != nullptr ? sync_track_value(track, row) : 0.0f;
}

} // namespace

FrameValues app::frameValuesAt(double seconds, double row, const float* spectrum, int binCount,
                               const SyncTrack* sceneTrack, const SyncTrack* fftSamplingTrack,
                               const SyncTrack* fstrTrack)
{
    FrameValues values;
    values.seconds = seconds;
    values.row = row;
    values.fftValue = spectrumValueAt(spectrum, binCount, trackValue(fftSamplingTrack, row));
    values.sceneIndex = truncateToInt(trackValue(sceneTrack, row));
    values.fstrValue = trackValue(fstrTrack, row);
    return values;
}

int app::nextReloadEntry(uint32_t& reloadCursor, std::size_t entryCount)
{
    reloadCursor = (reloadCursor + 1) & (kReloadCycle - 1);
    return reloadCursor < entryCount ? static_cast<int>(reloadCursor) : -1;
}

bool app::updateAlarm(bool& beepArmed, bool sceneFound)
{
    if (sceneFound) {
        beepArmed = true;
        return false;
    }
    const bool sounds = beepArmed;
    beepArmed = false;
    return sounds;
}

uint64_t app::seekTarget(uint64_t currentBytes, SeekDirection direction)
{
    return direction == SeekDirection::Forwards ? currentBytes + kSeekStepBytes : currentBytes - kSeekStepBytes;
}

bool app::demoIsOver(double row, double endRow)
{
    return row >= endRow;
}

void app::writeFrameStatus(std::ostream& out, int sceneIndex, double seconds, double row)
{
    out << sceneIndex << std::endl;
    out << seconds << std::endl;
    out << "row" << row << std::endl;
}
