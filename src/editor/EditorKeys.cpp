// The track editor's key table and help. Any thread.
#include "editor/EditorKeys.h"

namespace {

constexpr int kCtrl = EDITOR_CTRL;
constexpr int kShift = EDITOR_SHIFT;
constexpr int kAlt = EDITOR_ALT;
constexpr int kEnter = 13, kBackspace = 8, kEscape = 27, kDelete = 127;

// Ctrl+letter as the window toolkit reports it.
constexpr int control(char letter)
{
    return letter - 'a' + 1;
}

} // namespace

const EditorKeyBinding kEditorKeys[] = {
    {EDITOR_KEY_F1, true, 0, false, EditorAction::Help, "F1", "show or hide this help"},
    {kEscape, false, 0, false, EditorAction::Cancel, "Esc",
     "cancel typing, a selection, a drag or a field; with nothing to cancel, twice to quit"},
    {EDITOR_KEY_UP, true, 0, true, EditorAction::RowUp, "Up", "previous row (Shift: select)"},
    {EDITOR_KEY_DOWN, true, 0, true, EditorAction::RowDown, "Down", "next row (Shift: select)"},
    {',', false, 0, false, EditorAction::BeatBack, ",", "previous beat line"},
    {'.', false, 0, false, EditorAction::BeatForward, ".", "next beat line (within a typed number: its point)"},
    {EDITOR_KEY_PAGE_UP, true, 0, true, EditorAction::BarBack, "PageUp", "previous bar line (Shift: select)"},
    {EDITOR_KEY_PAGE_DOWN, true, 0, true, EditorAction::BarForward, "PageDown", "next bar line (Shift: select)"},
    {EDITOR_KEY_LEFT, true, 0, true, EditorAction::ColumnLeft, "Left", "previous column (Shift: select)"},
    {EDITOR_KEY_RIGHT, true, 0, true, EditorAction::ColumnRight, "Right", "next column (Shift: select)"},
    {EDITOR_KEY_HOME, true, 0, true, EditorAction::FirstRow, "Home", "row 0 (Shift: select)"},
    {EDITOR_KEY_END, true, 0, true, EditorAction::LastRow, "End", "last row (Shift: select)"},
    {kEnter, false, 0, false, EditorAction::Enter, "0-9 - . e, Enter", "type a value, then set it as a key"},
    {kBackspace, false, 0, false, EditorAction::Erase, "Backspace", "erase the last typed character"},
    {'i', false, 0, false, EditorAction::CycleInterpolation, "i", "interpolation: step, linear, smooth, ramp"},
    {EDITOR_KEY_UP, true, kAlt, false, EditorAction::NudgeUp, "Alt+Up", "raise the key's value by a step"},
    {EDITOR_KEY_DOWN, true, kAlt, false, EditorAction::NudgeDown, "Alt+Down", "lower the key's value by a step"},
    {EDITOR_KEY_UP, true, kAlt | kShift, false, EditorAction::NudgeUpMore, "Alt+Shift+Up", "raise it by ten steps"},
    {EDITOR_KEY_DOWN, true, kAlt | kShift, false, EditorAction::NudgeDownMore, "Alt+Shift+Down",
     "lower it by ten steps"},
    {kDelete, false, 0, false, EditorAction::DeleteKey, "Delete", "delete the key (or the selected keys)"},
    {EDITOR_KEY_DELETE, true, 0, false, EditorAction::DeleteKey, "Delete", "delete the key (or the selected keys)"},
    {kDelete, false, kCtrl, false, EditorAction::DeleteRow, "Ctrl+Delete", "delete the row: keys below move up"},
    {EDITOR_KEY_DELETE, true, kCtrl, false, EditorAction::DeleteRow, "Ctrl+Delete",
     "delete the row: keys below move up"},
    {EDITOR_KEY_INSERT, true, 0, false, EditorAction::InsertRow, "Insert", "insert a row: keys below move down"},
    {control('z'), false, kCtrl, false, EditorAction::Undo, "Ctrl+Z", "undo"},
    {control('z'), false, kCtrl | kShift, false, EditorAction::Redo, "Ctrl+Shift+Z", "redo"},
    {control('y'), false, kCtrl, false, EditorAction::Redo, "Ctrl+Y", "redo"},
    {control('c'), false, kCtrl, false, EditorAction::Copy, "Ctrl+C", "copy the selected block"},
    {control('x'), false, kCtrl, false, EditorAction::Cut, "Ctrl+X", "cut the selected block"},
    {control('v'), false, kCtrl, false, EditorAction::Paste, "Ctrl+V", "paste at the cursor"},
    {control('s'), false, kCtrl, false, EditorAction::Save, "Ctrl+S",
     "write every track now (edits are saved within a second anyway)"},
    {'f', false, 0, false, EditorAction::FrameCurves, "f", "curve view: frame every key of the tracks shown"},
    {'h', false, 0, false, EditorAction::HideColumn, "h", "hide the cursor's column"},
    {'H', false, kShift, false, EditorAction::ShowColumns, "Shift+H", "show the hidden columns again"},
    {'r', false, 0, false, EditorAction::Arm, "r",
     "arm the cursor's column for recording (again: disarm); while playing, OSC /track/NAME, its MIDI controller "
     "and the digits 0-9 write keys at the rows heard"},
    {'l', false, 0, false, EditorAction::Learn, "l",
     "learn: the next MIDI controller moved drives the cursor's column"},
};
const size_t kEditorKeyCount = sizeof kEditorKeys / sizeof kEditorKeys[0];

const EditorHelpLine kEditorMouse[] = {
    {"click a cell", "cursor there (Shift+click: select to there)"},
    {"drag over cells", "select a block"},
    {"double-click a cell", "type a value for it"},
    {"click a row number or the music strip", "seek there (paused: the cursor moves)"},
    {"click a column's name", "show its curve too (again: no longer)"},
    {"drag a column's right edge", "make it wider or narrower"},
    {"wheel", "scroll the rows"},
    {"Ctrl+wheel", "rows per line: 1, 2, 4, 8"},
    {"curve view: drag a key", "move it (snaps to rows and round values; Ctrl: free value, Shift: value only)"},
    {"curve view: drag on empty space", "select keys in a box, then drag one of them to move them all"},
    {"curve view: wheel, Ctrl+wheel", "scroll, zoom"},
    {"panel's right edge", "drag to widen the panel"},
};
const size_t kEditorMouseCount = sizeof kEditorMouse / sizeof kEditorMouse[0];

const EditorHelpLine kEditorColours[] = {
    {"blue row, framed cell", "the cursor: the row being heard and shown"},
    {"green row", "where the music is, when the cursor is elsewhere (beyond the tune's end)"},
    {"lighter band, line", "a beat; a line above it: a bar"},
    {"orange line", "the scene changes here"},
    {"dim rows", "after the demo's end row, up to the last key"},
    {"grey values", "between keys: the value the track has there"},
    {"blue bars by the row numbers", "the music's level per row; red line: where the tune ends"},
    {"name* / red name", "not yet written / a file problem (the line below says which)"},
    {"R before a name", "armed for recording (L: learning its MIDI controller)"},
};
const size_t kEditorColourCount = sizeof kEditorColours / sizeof kEditorColours[0];

const EditorKeyBinding* findEditorKey(int key, bool special, int modifiers)
{
    for (const EditorKeyBinding& binding : kEditorKeys) {
        if (binding.key != key || binding.special != special)
            continue;
        const int held = binding.shiftSelects ? modifiers & ~EDITOR_SHIFT : modifiers;
        if (held == binding.modifiers)
            return &binding;
    }
    return nullptr;
}
