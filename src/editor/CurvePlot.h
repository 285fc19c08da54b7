// CurvePlot: where the curve view's rows and values stand on the screen,
// and what a drag of its keys does, without drawing: the rows run left to
// right, the values bottom to top. A dragged key lands on a whole row, and
// the keys selected with it move by the same rows and value.
//
// Main thread; plain values and pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "editor/CurveScale.h"
#include "editor/TrackEditor.h"

// A key of the curve view: its column, row and value.
struct CurveKey {
    size_t column = 0;
    int32_t row = 0;
    float value = 0.0f;
};

struct CurvePlot {
    float left = 0.0f, top = 0.0f;     // the plot's top left corner, in screen pixels
    float width = 1.0f, height = 1.0f; // its size in pixels
    double firstRow = 0.0;             // the row at its left edge
    double rows = 1.0;                 // the rows across it
    ValueRange values;                 // the values from its bottom to its top

    double rowsPerPixel() const { return rows / (width < 1.0f ? 1.0f : width); }
    float xOfRow(double row) const { return left + static_cast<float>((row - firstRow) / rowsPerPixel()); }
    float yOfValue(float value) const
    {
        return top + height - (value - values.low) / (values.high - values.low) * height;
    }
    double rowAt(float x) const { return firstRow + (x - left) * rowsPerPixel(); }
    double valueAt(float y) const { return values.low + (top + height - y) / height * (values.high - values.low); }
};

// Where a drag to (`pointerRow`, `pointerValue`) puts the grabbed key
// `grabbed`: the row rounded to a whole one within 0 .. `lastRow`, or its own
// with `valuesOnly` (Shift); the value on a quarter of `valueStep`, or to 4
// digits with `fine` (Ctrl). Then every key of `selected` (the grabbed one
// among them or not) moves by the same rows, within 0 .. `lastRow`, and the
// same value: one move per key, the grabbed key's first.
std::vector<TrackEditor::KeyMove> curveDragMoves(const CurveKey& grabbed, const std::vector<CurveKey>& selected,
                                                 double pointerRow, double pointerValue, bool valuesOnly, bool fine,
                                                 double valueStep, int32_t lastRow);
