// Where things are in the track editor's tracker view, without drawing:
// which row a line shows at each zoom, which column and row a point of the
// panel falls on (the column heads, their right edges, the row numbers,
// the music strip, the cells), and how wide a column is. The panel draws
// and hit-tests from the same layout, and tests check it without a window.
//
// Main thread; value types.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct TrackerLayout {
    float x = 0.0f, y = 0.0f; // the view's top left, in pixels
    float rowNumberWidth = 44.0f;
    float stripWidth = 40.0f;    // the music's level beside the row numbers
    float headHeight = 18.0f;    // the column heads
    float rowHeight = 16.0f;     // one line
    int64_t firstRow = 0;        // the row of the first line
    int rowsPerLine = 1;         // 1, 2, 4 or 8
    int lines = 0;               // lines shown
    std::vector<size_t> columns; // the editor's columns shown, left to right (hidden ones left out)
    std::vector<float> widths;   // their widths

    float tracksX() const { return x + rowNumberWidth + stripWidth; }
    float rowsY() const { return y + headHeight; }
    // The first row of line `line`.
    int64_t lineRow(int line) const { return firstRow + int64_t{line} * rowsPerLine; }
    // The left edge of shown column `index` (0: the leftmost shown).
    float columnX(size_t index) const;
};

enum class TrackerPart { None, Head, HeadEdge, RowNumber, Strip, Cell };

struct TrackerHit {
    TrackerPart part = TrackerPart::None;
    int64_t row = 0;   // the line's first row (RowNumber, Strip, Cell)
    size_t column = 0; // the editor's column (Head, HeadEdge, Cell)
};

// What the point `px`, `py` of the panel is on.
TrackerHit trackerHitTest(const TrackerLayout& layout, float px, float py);

// The first line's row that keeps `cursorRow` in the middle of `lines`
// lines of `rowsPerLine` rows, on a multiple of rowsPerLine, moved by
// `scrollLines` lines.
int64_t trackerFirstRow(int64_t cursorRow, int lines, int rowsPerLine, int64_t scrollLines);

// The width a column needs for its name and its values (each in pixels),
// within `least`..`most`; a width the person dragged (above 0) wins.
float trackerColumnWidth(float nameWidth, float valueWidth, float dragged, float least, float most);

// Which of the shown columns (`widths`, left to right) fit in `room`
// pixels with column `cursorAt` among them: the first one shown moves from
// `firstColumn` left to the cursor's, or right until the columns up to the
// cursor's fit; from there as many as fit, at least one. Returns the first
// one shown, and in `count` how many show.
size_t trackerFitColumns(const std::vector<float>& widths, size_t cursorAt, size_t firstColumn, float room,
                         size_t& count);

// The next rows-per-line step of the zoom (1, 2, 4, 8) in direction `in` (true: fewer rows).
int trackerZoom(int rowsPerLine, bool in);
