// The track editor's pieces around its model, without a window: the beat
// grid its moves land on, Esc's two presses, the key table the help is
// drawn from, what the status line says after each action, the tracker's
// layout, hit-testing and column heads, and the curve view's ranges, steps
// and rounding.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "editor/BeatGrid.h"
#include "editor/CurveScale.h"
#include "editor/EditorActions.h"
#include "editor/EditorKeys.h"
#include "editor/InputQueue.h"
#include "editor/QuitConfirmation.h"
#include "editor/Recorder.h"
#include "editor/TrackEditor.h"
#include "editor/TrackerHead.h"
#include "editor/TrackerLayout.h"
#include "sync/track.h"

TEST(BeatGrid, MovesLandOnBeatAndBarLinesFromAnywhere)
{
    BeatGrid grid; // 8 rows a beat, 4 beats a bar
    // From 118 (off the grid) '.' goes to the next line, and on from there.
    EXPECT_EQ(grid.nextBeat(118), 120);
    EXPECT_EQ(grid.nextBeat(120), 128);
    EXPECT_EQ(grid.previousBeat(118), 112);
    EXPECT_EQ(grid.previousBeat(112), 104);
    EXPECT_EQ(grid.nextBar(118), 128);
    EXPECT_EQ(grid.nextBar(128), 160);
    EXPECT_EQ(grid.previousBar(118), 96);
    EXPECT_EQ(grid.previousBar(96), 64);
    EXPECT_TRUE(grid.isBarLine(64));
    EXPECT_FALSE(grid.isBarLine(72));
    EXPECT_TRUE(grid.isBeatLine(72));
    EXPECT_EQ(grid.previousBar(0), -32);

    // A tempo with a fraction of a row per beat: lines on the nearest row,
    // and moves stay on them.
    grid.rowsPerBeat = 7.5;
    EXPECT_EQ(grid.beatRow(1), 8); // 7.5 rounds up
    EXPECT_EQ(grid.beatRow(2), 15);
    EXPECT_EQ(grid.nextBeat(8), 15);
    EXPECT_EQ(grid.previousBeat(15), 8);
    EXPECT_EQ(grid.nextBar(1), 30);
    for (int64_t row = -40; row < 80; ++row)
        EXPECT_TRUE(grid.isBeatLine(grid.nextBeat(row))) << row;
}

TEST(QuitConfirmation, ASecondEscWithinTwoSecondsQuits)
{
    QuitConfirmation quit;
    EXPECT_FALSE(quit.press(10.0));
    EXPECT_TRUE(quit.asking(11.0));
    EXPECT_TRUE(quit.press(11.5));

    QuitConfirmation late;
    EXPECT_FALSE(late.press(10.0));
    EXPECT_FALSE(late.press(12.5)) << "too late: this one asks again";
    EXPECT_TRUE(late.press(13.0));

    QuitConfirmation withdrawn;
    EXPECT_FALSE(withdrawn.press(1.0));
    withdrawn.withdraw();
    EXPECT_FALSE(withdrawn.asking(1.1));
    EXPECT_FALSE(withdrawn.press(1.2));
}

TEST(EditorKeys, EveryActionHasAKeyAndEachKeyOneMeaning)
{
    std::set<std::string> keys;
    for (size_t i = 0; i < kEditorKeyCount; ++i) {
        const EditorKeyBinding& b = kEditorKeys[i];
        EXPECT_EQ(findEditorKey(b.key, b.special, b.modifiers), &b) << b.keys << " is shadowed by another row";
        EXPECT_NE(std::string(b.what), "");
    }
    // Shift on a move selects; on other keys it is another key.
    const EditorKeyBinding* up = findEditorKey(EDITOR_KEY_UP, true, EDITOR_SHIFT);
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(up->action, EditorAction::RowUp);
    EXPECT_EQ(findEditorKey(EDITOR_KEY_UP, true, EDITOR_ALT)->action, EditorAction::NudgeUp);
    EXPECT_EQ(findEditorKey(25, false, EDITOR_CTRL)->action, EditorAction::Redo); // Ctrl+Y
    EXPECT_EQ(findEditorKey(26, false, EDITOR_CTRL | EDITOR_SHIFT)->action, EditorAction::Redo);
    EXPECT_EQ(findEditorKey('i', false, EDITOR_CTRL), nullptr);
    EXPECT_EQ(findEditorKey(EDITOR_KEY_F1, true, 0)->action, EditorAction::Help);
}

namespace {

class EditorActions : public testing::Test {
protected:
    void SetUp() override
    {
        editor.addTrack("speed", &speed);
        editor.addTrack("zoom", &zoom);
        editor.setLastRow(255);
    }
    std::string run(EditorAction action, bool shift = false)
    {
        return runEditorAction(action, shift, editor, grid).status;
    }
    SyncTrack speed, zoom;
    TrackEditor editor;
    BeatGrid grid;
};

} // namespace

TEST_F(EditorActions, TheStatusSaysWhatEachCommandDidAndUndid)
{
    for (int row = 0; row < 3; ++row)
        for (long long column = 0; column < 2; ++column) {
            editor.setCursor(row, column, false);
            editor.setKey(static_cast<float>(row));
        }
    editor.setCursor(0, 0, false);
    editor.setCursor(2, 1, true);
    run(EditorAction::Copy);
    editor.setCursor(32, 0, false);
    EXPECT_EQ(run(EditorAction::Paste), "paste of 6 keys in speed, zoom");
    EXPECT_EQ(run(EditorAction::Undo), "undo: paste of 6 keys in speed, zoom");
    EXPECT_EQ(run(EditorAction::Redo), "redo: paste of 6 keys in speed, zoom");
    editor.setCursor(40, 0, false);
    EXPECT_EQ(run(EditorAction::DeleteKey), "no key here");
    EXPECT_EQ(run(EditorAction::CycleInterpolation), "no key here");

    // Esc's part: typing, then the selection; with neither, not the model's.
    editor.typeCharacter('5');
    EXPECT_EQ(run(EditorAction::Cancel), "typing cancelled");
    editor.setCursor(44, 0, true);
    EXPECT_EQ(run(EditorAction::Cancel), "selection ended");
    EXPECT_FALSE(runEditorAction(EditorAction::Cancel, false, editor, grid).done);

    // Typing what is not a number says so and keeps the text.
    editor.typeCharacter('-');
    EXPECT_EQ(run(EditorAction::Enter), "\"-\" is not a number");
    EXPECT_TRUE(editor.isTyping());
}

TEST_F(EditorActions, NudgesStepByTheColumnsRangeAndMovesFollowTheGrid)
{
    editor.setCursor(0, 0, false);
    editor.setKey(0.0f);
    editor.setCursor(8, 0, false);
    editor.setKey(1.0f);
    EXPECT_FLOAT_EQ(editor.valueStep(0), 0.01f);
    EXPECT_EQ(run(EditorAction::NudgeUp), "nudge of 1 key in speed");
    EXPECT_FLOAT_EQ(editor.column(0).keys[1].key.value, 1.01f);
    run(EditorAction::NudgeDownMore);
    EXPECT_FLOAT_EQ(editor.column(0).keys[1].key.value, 0.91f);
    editor.setCursor(9, 0, false);
    EXPECT_EQ(run(EditorAction::NudgeUp), "no key here to nudge");

    // Keys in the hundreds step by 1.
    editor.setCursor(0, 1, false);
    editor.setKey(0.0f);
    editor.setCursor(1, 1, false);
    editor.setKey(255.0f);
    EXPECT_FLOAT_EQ(editor.valueStep(1), 1.0f);

    editor.setCursor(118, 0, false);
    run(EditorAction::BeatForward);
    EXPECT_EQ(editor.cursorRow(), 120);
    run(EditorAction::BarBack, true);
    EXPECT_EQ(editor.cursorRow(), 96);
    EXPECT_TRUE(editor.hasSelection());
}

TEST_F(EditorActions, RowsAfterTheEndStayReachableUpToTheLastKey)
{
    editor.setCursor(255, 0, false);
    editor.setKey(1.0f);
    zoom.key_count = 0;
    EXPECT_EQ(editor.lastKeyRow(), 255);
    // A key at row 300 of a 256-row demo (as the caller sets the last row).
    std::vector<EditorKey> keys{{{300, 2.0f, SYNC_STEP}, "", 0}};
    editor.replaceKeys(1, keys, false);
    editor.setLastRow(static_cast<int32_t>(std::max<int64_t>(255, editor.lastKeyRow())));
    editor.setCursor(0, 1, false);
    run(EditorAction::LastRow);
    EXPECT_EQ(editor.cursorRow(), 300);
}

TEST(TrackerLayout, PointsFallOnHeadsEdgesRowNumbersStripAndCells)
{
    TrackerLayout layout;
    layout.x = 10.0f;
    layout.y = 20.0f;
    layout.rowNumberWidth = 40.0f;
    layout.stripWidth = 30.0f;
    layout.headHeight = 18.0f;
    layout.rowHeight = 16.0f;
    layout.firstRow = 100;
    layout.rowsPerLine = 2;
    layout.lines = 10;
    layout.columns = {3, 5}; // column 4 hidden
    layout.widths = {60.0f, 90.0f};
    // Cells start at x 80; rows at y 38.
    TrackerHit hit = trackerHitTest(layout, 100.0f, 38.0f + 16.0f * 3 + 1.0f);
    EXPECT_EQ(hit.part, TrackerPart::Cell);
    EXPECT_EQ(hit.column, 3u);
    EXPECT_EQ(hit.row, 106);
    hit = trackerHitTest(layout, 150.0f, 40.0f);
    EXPECT_EQ(hit.part, TrackerPart::Cell);
    EXPECT_EQ(hit.column, 5u);
    EXPECT_EQ(trackerHitTest(layout, 139.0f, 25.0f).part, TrackerPart::HeadEdge);
    EXPECT_EQ(trackerHitTest(layout, 100.0f, 25.0f).part, TrackerPart::Head);
    hit = trackerHitTest(layout, 20.0f, 38.0f + 16.0f + 2.0f);
    EXPECT_EQ(hit.part, TrackerPart::RowNumber);
    EXPECT_EQ(hit.row, 102);
    EXPECT_EQ(trackerHitTest(layout, 60.0f, 40.0f).part, TrackerPart::Strip);
    EXPECT_EQ(trackerHitTest(layout, 300.0f, 40.0f).part, TrackerPart::None) << "right of the last column";
    EXPECT_EQ(trackerHitTest(layout, 100.0f, 38.0f + 16.0f * 10 + 1.0f).part, TrackerPart::None) << "below the lines";

    // The cursor's line in the middle, lines on multiples of the zoom.
    EXPECT_EQ(trackerFirstRow(100, 10, 1, 0), 95);
    EXPECT_EQ(trackerFirstRow(101, 10, 4, 0), 80);
    EXPECT_EQ(trackerFirstRow(101, 10, 4, 3), 92);
    EXPECT_EQ(trackerZoom(1, false), 2);
    EXPECT_EQ(trackerZoom(8, false), 8);
    EXPECT_EQ(trackerZoom(1, true), 1);
    EXPECT_FLOAT_EQ(trackerColumnWidth(120.0f, 70.0f, 0.0f, 48.0f, 400.0f), 120.0f);
    EXPECT_FLOAT_EQ(trackerColumnWidth(120.0f, 70.0f, 60.0f, 48.0f, 400.0f), 60.0f) << "a dragged width wins";
}

TEST(TrackerLayout, TheColumnsShownFitTheRoomAndKeepTheCursorsInView)
{
    const std::vector<float> widths{100.0f, 100.0f, 100.0f, 100.0f, 100.0f};
    size_t count = 0;
    // From the first column, as many as fit.
    EXPECT_EQ(trackerFitColumns(widths, 1, 0, 250.0f, count), 0u);
    EXPECT_EQ(count, 2u);
    // The cursor right of the view: the view moves right until it fits.
    EXPECT_EQ(trackerFitColumns(widths, 4, 0, 250.0f, count), 3u);
    EXPECT_EQ(count, 2u);
    // The cursor left of the view: the view starts at it.
    EXPECT_EQ(trackerFitColumns(widths, 1, 3, 250.0f, count), 1u);
    EXPECT_EQ(count, 2u);
    // A column wider than the room still shows, alone.
    EXPECT_EQ(trackerFitColumns({500.0f, 100.0f}, 0, 0, 250.0f, count), 0u);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(trackerFitColumns({}, 0, 2, 250.0f, count), 0u);
    EXPECT_EQ(count, 0u);
}

TEST(TrackerHead, MarksTheNameAndSaysWhyInItsTip)
{
    EditorTrack track;
    track.name = "glow";
    TrackerHead head = trackerHead(track, false, nullptr);
    EXPECT_EQ(head.text, "glow");
    EXPECT_EQ(head.tip, "glow");
    EXPECT_FALSE(head.red);

    track.unsaved = true;
    head = trackerHead(track, true, nullptr);
    EXPECT_EQ(head.text, "~glow*");
    EXPECT_EQ(head.tip, "glow: edits not yet written");

    track.saveProblem = "tracks/glow.txt: not saved: disk full";
    head = trackerHead(track, false, nullptr);
    EXPECT_TRUE(head.red);
    EXPECT_EQ(head.tip, "glow: tracks/glow.txt: not saved: disk full");
    track.readOnlyError = "tracks/glow.txt:3: rows must increase";
    EXPECT_EQ(trackerHead(track, false, nullptr).tip, "glow: read-only, tracks/glow.txt:3: rows must increase")
        << "the read-only error comes first";

    EditorTrack plain;
    plain.name = "speed";
    Recorder recorder;
    recorder.toggleArm("speed");
    head = trackerHead(plain, false, &recorder);
    EXPECT_EQ(head.text, "R speed");
    EXPECT_TRUE(head.red) << "armed to record";
    EXPECT_EQ(head.tip, "speed (armed)");
    recorder.learn("speed");
    head = trackerHead(plain, false, &recorder);
    EXPECT_EQ(head.text, "L speed");
    EXPECT_EQ(head.tip, "speed (learning: move a MIDI controller)");
    recorder.control(0, 7, 0.5f);
    EXPECT_EQ(trackerHead(plain, false, &recorder).tip, "speed (armed, MIDI channel 1 controller 7)");
}

TEST(CurveScale, RangesStepsSnappingAndRoundedValues)
{
    SyncTrack track;
    std::unique_ptr<SyncKey[]> keys(new SyncKey[2]{{0, 0.0f, SYNC_LINEAR}, {10, 2.0f, SYNC_STEP}});
    sync_set_keys(&track, std::move(keys), 2);
    ValueRange range = curveValueRange({&track}, 0.0, 20.0, 8);
    EXPECT_FLOAT_EQ(range.low, -0.2f);
    EXPECT_FLOAT_EQ(range.high, 2.2f);
    range = curveValueRange({nullptr}, 0.0, 20.0, 8);
    EXPECT_FLOAT_EQ(range.low, 0.0f);
    EXPECT_FLOAT_EQ(range.high, 1.0f);

    EXPECT_DOUBLE_EQ(curveStep(1.0, 10), 0.1);
    EXPECT_DOUBLE_EQ(curveStep(2.4, 10), 0.5);
    EXPECT_DOUBLE_EQ(curveStep(300.0, 4), 100.0);
    EXPECT_DOUBLE_EQ(curveStep(0.0, 4), 0.0);

    EXPECT_FLOAT_EQ(curveSnap(0.722222269f, 0.05), 0.7f);
    EXPECT_EQ(sync_format_float(curveSnap(0.3000001f, 0.1)), "0.300000012") << "the float nearest 0.3";
    EXPECT_EQ(sync_format_float(curveRound(0.722222269f)), sync_format_float(0.7222f));

    std::vector<EditorKey> a{{{4, 1.0f, 0}, "", 1}, {{104, 3.0f, 0}, "", 2}};
    double first = 0.0, rows = 0.0;
    ValueRange values;
    ASSERT_TRUE(curveFrameKeys({&a}, first, rows, values));
    EXPECT_LT(first, 4.0);
    EXPECT_GT(first + rows, 104.0);
    EXPECT_LT(values.low, 1.0f);
    EXPECT_GT(values.high, 3.0f);
    std::vector<EditorKey> none;
    EXPECT_FALSE(curveFrameKeys({&none}, first, rows, values));
}

TEST_F(EditorActions, RecordingWritesChangedValuesAtTheRowsHeardAndATakeUndoesAsOne)
{
    // zoom ends on a linear key: recorded keys after it are linear too.
    editor.setCursor(0, 1, false);
    editor.setKey(0.0f);
    editor.cycleInterpolation();
    const size_t before = editor.undoCount();

    Recorder recorder;
    EXPECT_TRUE(recorder.toggleArm("zoom"));
    recorder.value("speed", 5.0f); // not armed: ignored
    recorder.value("zoom", 0.5f);
    recorder.value("zoom", 0.75f); // the newest of a frame wins
    EXPECT_TRUE(recorder.frame(editor, 10, true));
    recorder.value("zoom", 0.75f); // unchanged: no key
    EXPECT_FALSE(recorder.frame(editor, 11, true));
    recorder.value("zoom", 0.8f);
    recorder.frame(editor, 11, true);
    recorder.value("zoom", 0.9f); // the same row again: still one key there
    recorder.frame(editor, 11, true);
    // A MIDI controller learnt for speed arms it.
    recorder.learn("speed");
    recorder.control(0, 7, 1.0f);
    EXPECT_EQ(recorder.controllerOf("speed"), "channel 1 controller 7");
    recorder.control(0, 7, 0.5f);
    recorder.control(0, 8, 0.9f); // no track's controller
    recorder.frame(editor, 12, true);
    EXPECT_EQ(editor.column(0).keys.size(), 1u);
    EXPECT_FLOAT_EQ(editor.column(0).keys[0].key.value, 0.5f);
    const std::vector<EditorKey>& zoom = editor.column(1).keys;
    ASSERT_EQ(zoom.size(), 3u);
    EXPECT_EQ(zoom[1].key.row, 10);
    EXPECT_EQ(zoom[1].key.type, SYNC_LINEAR);
    EXPECT_EQ(zoom[2].key.row, 11);
    EXPECT_FLOAT_EQ(zoom[2].key.value, 0.9f);
    EXPECT_EQ(editor.undoCount(), before + 1) << "one take, one step";

    // Paused, nothing is written; playing again starts a new take.
    recorder.tap(3.0f);
    EXPECT_FALSE(recorder.frame(editor, 20, false));
    recorder.tap(3.0f);
    EXPECT_TRUE(recorder.frame(editor, 20, true));
    EXPECT_EQ(editor.undoCount(), before + 2);
    EXPECT_EQ(run(EditorAction::Undo), "undo: recording of 2 keys in speed, zoom");
    editor.undo();
    EXPECT_EQ(editor.column(1).keys.size(), 1u);
    EXPECT_EQ(editor.column(0).keys.size(), 0u);
}

TEST(InputQueue, APressAndItsReleaseInOneFrameAreSeenInTwo)
{
    InputQueue queue;
    queue.push({InputEvent::MouseMove, 0, 0, 5, 5});
    queue.push({InputEvent::MouseButton, 0, 0, 5, 5}); // down
    queue.push({InputEvent::MouseButton, 0, 1, 5, 5}); // up
    queue.push({InputEvent::Key, 13, 0, 0, 0});        // Enter down
    queue.push({InputEvent::KeyUp, 13, 0, 0, 0});
    queue.push({InputEvent::KeyUp, 'x', 0, 0, 0}); // pressed in an earlier frame: goes at once
    std::vector<InputEvent> frame = queue.takeFrame();
    ASSERT_EQ(frame.size(), 2u);
    EXPECT_EQ(frame[1].state, 0);
    frame = queue.takeFrame();
    ASSERT_EQ(frame.size(), 2u) << "the release, Enter's press; Enter's release waits";
    EXPECT_EQ(frame[0].state, 1);
    EXPECT_EQ(frame[1].kind, InputEvent::Key);
    frame = queue.takeFrame();
    ASSERT_EQ(frame.size(), 2u);
    EXPECT_TRUE(queue.empty());
}
