// The track editor's keys, mouse actions and colours in one table each:
// the editor dispatches its keys from kEditorKeys, and the help (F1) lists
// the same rows, so what the help says is what the keys do.
//
// Any thread; constant data.
#pragma once

#include <cstddef>

// Keys that have no character, as the editor names them (the window
// toolkit's codes are mapped to these where its callbacks come in).
enum EditorSpecialKey {
    EDITOR_KEY_UP = 1,
    EDITOR_KEY_DOWN,
    EDITOR_KEY_LEFT,
    EDITOR_KEY_RIGHT,
    EDITOR_KEY_PAGE_UP,
    EDITOR_KEY_PAGE_DOWN,
    EDITOR_KEY_HOME,
    EDITOR_KEY_END,
    EDITOR_KEY_INSERT,
    EDITOR_KEY_DELETE,
    EDITOR_KEY_F1,
};

// Modifier bits.
enum EditorModifier { EDITOR_SHIFT = 1, EDITOR_CTRL = 2, EDITOR_ALT = 4 };

enum class EditorAction {
    Undo,
    Redo,
    Copy,
    Cut,
    Paste,
    Save,
    Help,
    Enter,
    Erase,
    Cancel,
    DeleteKey,
    DeleteRow,
    InsertRow,
    CycleInterpolation,
    RowUp,
    RowDown,
    BeatBack,
    BeatForward,
    BarBack,
    BarForward,
    ColumnLeft,
    ColumnRight,
    FirstRow,
    LastRow,
    NudgeUp,
    NudgeDown,
    NudgeUpMore,
    NudgeDownMore,
    FrameCurves,
    HideColumn,
    ShowColumns,
    Arm,
    Learn,
};

struct EditorKeyBinding {
    int key;           // a character (Ctrl+letter as its control code), or an EditorSpecialKey
    bool special;      // `key` is an EditorSpecialKey
    int modifiers;     // the EditorModifier bits held, exactly
    bool shiftSelects; // Shift may be held as well: the move then grows the selection
    EditorAction action;
    const char* keys; // the key as the help names it ("Ctrl+Z")
    const char* what; // what it does, as the help says it
};

// A line of the help that is not a key: a mouse action or a colour.
struct EditorHelpLine {
    const char* name;
    const char* what;
};

extern const EditorKeyBinding kEditorKeys[];
extern const size_t kEditorKeyCount;
extern const EditorHelpLine kEditorMouse[];
extern const size_t kEditorMouseCount;
extern const EditorHelpLine kEditorColours[];
extern const size_t kEditorColourCount;

// The binding of `key` with `modifiers` held, or nullptr.
const EditorKeyBinding* findEditorKey(int key, bool special, int modifiers);
