// The track editor's key actions on its model. Main thread.
#include "editor/EditorActions.h"

namespace {

// The status after an edit: what it did, or why nothing changed.
std::string editStatus(bool changed, const TrackEditor& editor, const char* nothing)
{
    if (changed)
        return editor.lastDone();
    if (editor.columnCount() > 0 && !editor.column(editor.cursorColumn()).readOnlyError.empty())
        return editor.column(editor.cursorColumn()).name + " is read-only until its text track is fixed";
    return nothing;
}

} // namespace

EditorActionResult runEditorAction(EditorAction action, bool shift, TrackEditor& editor, const BeatGrid& grid)
{
    EditorActionResult result;
    result.done = true;
    const int64_t row = editor.cursorRow();
    const long long column = static_cast<long long>(editor.cursorColumn());
    switch (action) {
    case EditorAction::Undo:
        result.status = editor.undo() ? editor.lastDone() : "nothing to undo";
        break;
    case EditorAction::Redo:
        result.status = editor.redo() ? editor.lastDone() : "nothing to redo";
        break;
    case EditorAction::Copy: {
        editor.copy();
        const EditorBlock b = editor.block();
        result.status = "copied rows " + std::to_string(b.firstRow) + ".." + std::to_string(b.lastRow) + " of " +
                        std::to_string(b.lastColumn - b.firstColumn + 1) + " column(s)";
        break;
    }
    case EditorAction::Cut:
        result.status = editStatus(editor.cut(), editor, "no keys to cut");
        break;
    case EditorAction::Paste:
        result.status = editStatus(editor.paste(), editor, "nothing to paste");
        break;
    case EditorAction::Enter:
        if (!editor.isTyping())
            result.done = false;
        else if (!editor.enterTyped())
            result.status = "\"" + editor.typed() + "\" is not a number";
        else
            result.status = editor.lastDone();
        break;
    case EditorAction::Erase:
        result.done = editor.eraseTyped();
        break;
    case EditorAction::Cancel:
        if (editor.isTyping()) {
            editor.cancelTyping();
            result.status = "typing cancelled";
        } else if (editor.clearSelection()) {
            result.status = "selection ended";
        } else {
            result.done = false;
        }
        break;
    case EditorAction::DeleteKey:
        if (editor.isTyping()) {
            editor.cancelTyping();
            result.status = "typing cancelled";
        } else {
            result.status = editStatus(editor.deleteKey(), editor, "no key here");
        }
        break;
    case EditorAction::DeleteRow:
        result.status = editStatus(editor.deleteRow(), editor, "no keys below to move");
        break;
    case EditorAction::InsertRow:
        result.status = editStatus(editor.insertRow(), editor, "no keys below to move");
        break;
    case EditorAction::CycleInterpolation:
        result.status = editStatus(editor.cycleInterpolation(), editor, "no key here");
        break;
    case EditorAction::NudgeUp:
    case EditorAction::NudgeDown:
    case EditorAction::NudgeUpMore:
    case EditorAction::NudgeDownMore: {
        const int steps = action == EditorAction::NudgeUp       ? 1
                          : action == EditorAction::NudgeDown   ? -1
                          : action == EditorAction::NudgeUpMore ? 10
                                                                : -10;
        result.status = editStatus(editor.nudge(steps), editor, "no key here to nudge");
        break;
    }
    case EditorAction::RowUp:
        editor.moveCursor(-1, 0, shift);
        break;
    case EditorAction::RowDown:
        editor.moveCursor(1, 0, shift);
        break;
    case EditorAction::BeatBack:
        editor.setCursor(grid.previousBeat(row), column, shift);
        break;
    case EditorAction::BeatForward:
        editor.setCursor(grid.nextBeat(row), column, shift);
        break;
    case EditorAction::BarBack:
        editor.setCursor(grid.previousBar(row), column, shift);
        break;
    case EditorAction::BarForward:
        editor.setCursor(grid.nextBar(row), column, shift);
        break;
    case EditorAction::ColumnLeft:
        editor.moveCursor(0, -1, shift);
        break;
    case EditorAction::ColumnRight:
        editor.moveCursor(0, 1, shift);
        break;
    case EditorAction::FirstRow:
        editor.setCursor(0, column, shift);
        break;
    case EditorAction::LastRow:
        editor.setCursor(editor.lastRow(), column, shift);
        break;
    case EditorAction::Save:
    case EditorAction::Help:
    case EditorAction::FrameCurves:
    case EditorAction::HideColumn:
    case EditorAction::ShowColumns:
    case EditorAction::Arm:
    case EditorAction::Learn:
        result.done = false;
        break;
    }
    return result;
}
