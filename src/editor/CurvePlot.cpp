// The curve view's drags (see CurvePlot.h). Main thread.
#include "editor/CurvePlot.h"

#include <algorithm>
#include <cmath>

std::vector<TrackEditor::KeyMove> curveDragMoves(const CurveKey& grabbed, const std::vector<CurveKey>& selected,
                                                 double pointerRow, double pointerValue, bool valuesOnly, bool fine,
                                                 double valueStep, int32_t lastRow)
{
    const int64_t row = static_cast<int64_t>(std::llround(pointerRow));
    const int32_t toRow = valuesOnly ? grabbed.row : static_cast<int32_t>(std::clamp<int64_t>(row, 0, lastRow));
    const float raw = static_cast<float>(pointerValue);
    const float value = fine ? curveRound(raw) : curveSnap(raw, valueStep / 4.0);
    std::vector<TrackEditor::KeyMove> moves{{grabbed.column, grabbed.row, toRow, value}};
    for (const CurveKey& key : selected) {
        if (key.column == grabbed.column && key.row == grabbed.row)
            continue;
        const int64_t movedRow = std::clamp<int64_t>(int64_t{key.row} + toRow - grabbed.row, 0, lastRow);
        moves.push_back(
            {key.column, key.row, static_cast<int32_t>(movedRow), curveRound(key.value + value - grabbed.value)});
    }
    return moves;
}
