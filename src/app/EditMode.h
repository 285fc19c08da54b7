// Edit mode (`demoplayer --edit`, or F2 in live mode): the track editor
// beside the picture. The picture is drawn at the window's size (so
// iResolution is the demo's own) and shown scaled, at its aspect ratio, in
// the part of the window right of the editor's panel, with the heads-up
// display on it. The editor's keys take precedence over live mode's while
// the panel is shown and no field is being typed into; every edit feeds the
// player's tracks at once and reaches its files within a second.
//
// Main thread, GL context current, inside the toolkit's callbacks. AppState
// owns the one EditMode (null until --edit or the first F2); EditMode owns
// the editor's model, its files, the tune strip, the Dear ImGui context and
// the picture's copy.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/BeatGrid.h"
#include "editor/EditorFiles.h"
#include "editor/EditorKeys.h"
#include "editor/EditorPanel.h"
#include "editor/InputQueue.h"
#include "editor/QuitConfirmation.h"
#include "editor/Recorder.h"
#include "editor/TrackEditor.h"
#include "editor/TuneStrip.h"
#include "app/FrameScene.h"
#include "platform/LiveInput.h"
#include "render/PictureTarget.h"

class EditMode {
public:
    EditMode() = default;
    ~EditMode();
    EditMode(const EditMode&) = delete;
    EditMode& operator=(const EditMode&) = delete;

    // After live mode has started: Dear ImGui and its toolkit callbacks, a
    // column for every track of the demo with its files, the tune strip.
    void start();

    bool shown() const { return shown_; }
    void toggle();

    // Start of a frame, after live mode's reloads: new tracks become
    // columns, the cursor follows the playing music, pending edits are written.
    void beginFrame();

    // Before the frame draws: while the panel is shown, the picture goes,
    // at its own size, through the editor's offscreen picture into the part
    // of the window beside the panel (the margins around it cleared).
    void placePicture(FramePicture& picture);

    // After the picture and the heads-up display: the panel, over the
    // window's left part (`width` x `height`: the window's size).
    void drawPanel(int width, int height);

    // The toolkit's key callbacks; true when the editor used the key.
    bool onKey(unsigned char key);
    bool onSpecialKey(int key);

    // A demo file changed on disk: true when it is one of the editor's
    // track files, which the editor reads itself.
    bool onTrackFileChanged(const std::string& path);

    // Whether track `name` is a column of the editor, which is then the
    // source of its keys.
    bool ownsTrack(const std::string& name) const;

    // An input event of the window for the panel, handed to Dear ImGui at
    // the next frames (see InputQueue).
    void queue(const InputEvent& event) { input_.push(event); }
    // The EditorModifier bits held (inside a toolkit callback only).
    static int modifiers();

    // Writes every pending edit (at the end of the run); true when all are saved.
    bool finish();

    // Releases Dear ImGui's and the picture's GL objects while the window's
    // context is still there (the window closing); nothing draws afterwards.
    void releaseGl();

private:
    // The UDP port the editor listens on for OSC messages /track/NAME.
    static constexpr int kOscPort = 9000;

    void addColumns();
    void addNamedTrack(const std::string& name);
    void warnReadOnly(size_t column);
    void seekToCursor();
    void feedImGui();
    bool onEscape(bool inField);
    bool onEditorKey(int key, bool special, int modifiers);
    bool runAction(EditorAction action, bool shift);
    BeatGrid grid() const;

    TrackEditor editor_;
    EditorFiles files_;
    TuneStrip strip_;
    EditorPanel panel_;
    bool started_ = false;
    bool glReleased_ = false;
    bool shown_ = true;
    size_t knownTracks_ = 0;                    // the device's tracks that have columns
    std::map<std::string, std::string> warned_; // each track's read-only error as last said
    PictureTarget picture_;
    PictureTarget panelPicture_;  // the panel as last rasterised
    uint64_t panelSignature_ = 0; // of what panelPicture_ holds; 0: nothing
    float panelWidth_ = 0.0f;     // as the panel was last drawn; 0 before the first
    void openLiveInputs();
    void recordLiveInput();

    QuitConfirmation quit_;
    InputQueue input_;
    Recorder recorder_;
    MidiInput midi_;
    OscInput osc_;
    std::vector<MidiControl> controls_; // polled each frame (kept to reuse its memory)
    std::vector<OscValue> oscValues_;
    std::string status_;           // what the last command did, on the panel's status line
    int64_t heardRow_ = INT64_MIN; // the music's row as the last frame read it
};

namespace app {

// F2: opens the editor the first time (--edit opens it at start-up), then
// shows or hides it.
void toggleEditor();

// The toolkit's mouse callbacks while the editor exists (forwarded to Dear ImGui).
void onEditorMouse(int button, int state, int x, int y);
void onEditorMotion(int x, int y);
void onEditorWheel(int wheel, int direction, int x, int y);
void onEditorKeyUp(unsigned char key, int x, int y);
void onEditorWindowClosed();
void onEditorSpecialUp(int key, int x, int y);

} // namespace app
