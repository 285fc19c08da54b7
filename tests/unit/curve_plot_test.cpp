// The track editor's curve view without drawing: where rows and values
// stand in the plot, and the keys a drag moves.
#include <vector>

#include <gtest/gtest.h>

#include "editor/CurvePlot.h"

// In the move's own (the global) namespace, where the comparison of two lists finds it.
static bool operator==(const TrackEditor::KeyMove& a, const TrackEditor::KeyMove& b)
{
    return a.column == b.column && a.fromRow == b.fromRow && a.toRow == b.toRow && a.value == b.value;
}

TEST(CurvePlot, RowsRunRightwardsAndValuesUpwards)
{
    CurvePlot plot;
    plot.left = 100.0f;
    plot.top = 50.0f;
    plot.width = 200.0f;
    plot.height = 80.0f;
    plot.firstRow = 64.0;
    plot.rows = 400.0;
    plot.values = {-1.0f, 3.0f};

    EXPECT_FLOAT_EQ(plot.xOfRow(64.0), 100.0f);
    EXPECT_FLOAT_EQ(plot.xOfRow(464.0), 300.0f);
    EXPECT_FLOAT_EQ(plot.yOfValue(-1.0f), 130.0f) << "the lowest value at the bottom";
    EXPECT_FLOAT_EQ(plot.yOfValue(3.0f), 50.0f);
    EXPECT_DOUBLE_EQ(plot.rowAt(plot.xOfRow(123.0)), 123.0);
    EXPECT_NEAR(plot.valueAt(plot.yOfValue(0.25f)), 0.25, 1e-6);

    plot.width = 0.0f; // a view squeezed to nothing divides by one pixel, not by zero
    EXPECT_DOUBLE_EQ(plot.rowsPerPixel(), 400.0);
}

TEST(CurvePlot, ADragMovesTheGrabbedKeyAndTheSelectedOnesByTheSameAmount)
{
    const CurveKey grabbed{0, 10, 1.0f};
    const std::vector<CurveKey> selected{{0, 10, 1.0f}, {1, 4, 0.5f}, {1, 96, 2.0f}};

    // To row 13.4 and value 1.3 on a step of 1: row 13, value on a quarter (1.25).
    EXPECT_EQ(curveDragMoves(grabbed, selected, 13.4, 1.3, false, false, 1.0, 100),
              (std::vector<TrackEditor::KeyMove>{{0, 10, 13, 1.25f}, {1, 4, 7, 0.75f}, {1, 96, 99, 2.25f}}))
        << "the grabbed key once, first; the others by +3 rows and +0.25";

    // Past the end and before the start: every row stays within 0 .. last.
    EXPECT_EQ(curveDragMoves(grabbed, selected, 200.0, 1.0, false, false, 1.0, 100),
              (std::vector<TrackEditor::KeyMove>{{0, 10, 100, 1.0f}, {1, 4, 94, 0.5f}, {1, 96, 100, 2.0f}}));
    EXPECT_EQ(curveDragMoves(grabbed, {}, -7.0, 1.0, false, false, 1.0, 100),
              (std::vector<TrackEditor::KeyMove>{{0, 10, 0, 1.0f}}));

    // Shift: the values alone; Ctrl: the value to 4 digits instead of the step.
    EXPECT_EQ(curveDragMoves(grabbed, {}, 40.0, 1.3, true, false, 1.0, 100),
              (std::vector<TrackEditor::KeyMove>{{0, 10, 10, 1.25f}}));
    EXPECT_EQ(curveDragMoves(grabbed, {}, 10.0, 1.234567, false, true, 1.0, 100),
              (std::vector<TrackEditor::KeyMove>{{0, 10, 10, 1.235f}}));
}
