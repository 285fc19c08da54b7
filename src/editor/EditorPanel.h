// The track editor's panel, drawn with Dear ImGui at the window's left: a
// tracker view (a column per track, rows running down, the cursor's row in
// the middle, keys with their value and interpolation, the values between
// keys faintly, beat and bar lines, scene changes across all columns, the
// music's level per row beside the row numbers), below it a curve view of
// the cursor's track and the ticked ones with keys to drag, and a field for
// adding a track by name. Its right edge can be dragged.
//
// Main thread, between ImGui::NewFrame and ImGui::Render. Holds only view
// state; the keys belong to the TrackEditor it is given.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "editor/TrackEditor.h"
#include "editor/TuneStrip.h"
#include "sync/data.h"

// What the panel shows besides the keys: where the music is and the tempo.
struct EditorView {
    double playRow = 0.0;                  // the music's row this frame
    double rowsPerBeat = 8.0;              // beat lines; a bar is four beats
    const SyncTrack* sceneTrack = nullptr; // scene changes are marked across all columns
};

class EditorPanel {
public:
    // Draws the panel `height` pixels high; returns its width in pixels.
    float draw(TrackEditor& editor, const TuneStrip& strip, const EditorView& view, float height);

    // A track name entered in the add field this frame ("" when none); taken once.
    std::string takeNewTrack();
    // A line shown under the field (which shader reads a new track, ...).
    void setNotice(const std::string& notice) { notice_ = notice; }

private:
    void drawTracker(TrackEditor& editor, const TuneStrip& strip, const EditorView& view, float height);
    void drawCurves(TrackEditor& editor, const EditorView& view, float height);
    void drawProblems(const TrackEditor& editor);

    float width_ = 0.0f;           // 0: not drawn yet (then 45 % of the window)
    size_t firstColumn_ = 0;       // the leftmost column shown
    std::set<std::string> ticked_; // tracks drawn in the curve view besides the cursor's
    double curveRows_ = 256.0;     // rows the curve view spans (Ctrl+wheel zooms)
    double curveOffset_ = 0.0;     // its start, in rows from the cursor's row (the wheel scrolls)
    // A key being dragged in the curve view.
    bool dragging_ = false;
    size_t dragColumn_ = 0;
    int32_t dragRow_ = 0;
    float dragValue_ = 0.0f;
    uint64_t gesture_ = 0;
    float dragLow_ = 0.0f, dragHigh_ = 1.0f; // the value range, frozen while dragging
    char newTrack_[64] = {};
    std::string entered_;
    std::string notice_;
};
