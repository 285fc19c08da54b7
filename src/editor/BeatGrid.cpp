// Beat and bar lines of the track editor. Any thread.
#include "editor/BeatGrid.h"

#include <cmath>

namespace {

int64_t floorDiv(int64_t a, int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

int64_t BeatGrid::beatRow(int64_t beat) const
{
    return static_cast<int64_t>(std::floor(static_cast<double>(beat) * step() + 0.5));
}

int64_t BeatGrid::beatAt(int64_t row) const
{
    int64_t beat = static_cast<int64_t>(std::floor(static_cast<double>(row) / step()));
    // Rounding puts a line up to half a row from k x rowsPerBeat.
    while (beatRow(beat + 1) <= row)
        ++beat;
    while (beatRow(beat) > row)
        --beat;
    return beat;
}

bool BeatGrid::isBarLine(int64_t row) const
{
    const int64_t beat = beatAt(row);
    return beatRow(beat) == row && floorDiv(beat, bar()) * bar() == beat;
}

int64_t BeatGrid::previousBeat(int64_t row) const
{
    const int64_t beat = beatAt(row);
    return beatRow(beatRow(beat) < row ? beat : beat - 1);
}

int64_t BeatGrid::nextBar(int64_t row) const
{
    return beatRow((floorDiv(beatAt(row), bar()) + 1) * bar());
}

int64_t BeatGrid::previousBar(int64_t row) const
{
    const int64_t barBeat = floorDiv(beatAt(row), bar()) * bar();
    return beatRow(beatRow(barBeat) < row ? barBeat : barBeat - bar());
}
