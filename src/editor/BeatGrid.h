// The track editor's beat and bar lines: beat k stands on the row nearest
// to k x rowsPerBeat (a tempo need not give a whole number of rows per
// beat), a bar line on every beatsPerBar-th beat. The tracker draws its
// lines and the cursor's beat and bar moves land on them from this one
// place. Any thread; a value type.
#pragma once

#include <cstdint>

struct BeatGrid {
    double rowsPerBeat = 8.0; // rows per beat; values below 1 count as 1
    int beatsPerBar = 4;

    // The row of beat `beat`'s line.
    int64_t beatRow(int64_t beat) const;
    // The beat whose line is at or before `row`.
    int64_t beatAt(int64_t row) const;
    bool isBeatLine(int64_t row) const { return beatRow(beatAt(row)) == row; }
    bool isBarLine(int64_t row) const;

    // The next beat (or bar) line after `row`, and the previous one before it.
    int64_t nextBeat(int64_t row) const { return beatRow(beatAt(row) + 1); }
    int64_t previousBeat(int64_t row) const;
    int64_t nextBar(int64_t row) const;
    int64_t previousBar(int64_t row) const;

private:
    double step() const { return rowsPerBeat >= 1.0 ? rowsPerBeat : 1.0; }
    int bar() const { return beatsPerBar >= 1 ? beatsPerBar : 1; }
};
