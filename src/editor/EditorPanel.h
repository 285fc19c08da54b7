// The track editor's panel, drawn with Dear ImGui at the window's left: a
// status line (what the last command did), a tracker view (a column per
// track, rows running down, the cursor's row in the middle, keys with their
// value and interpolation, the values between keys faintly, beat and bar
// lines, scene changes across all columns, the music's level per row beside
// the row numbers, rows after the demo's end dimmed), below it a curve view
// of the cursor's track and the ticked ones with axes and keys to drag, a
// field for adding a track by name, and the help (F1), drawn from the
// editor's key table. Its right edge can be dragged.
//
// Main thread, between ImGui::NewFrame and ImGui::Render. Holds only view
// state; the keys belong to the TrackEditor it is given.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "editor/BeatGrid.h"
#include "editor/CurvePlot.h"
#include "editor/CurveScale.h"
#include "editor/Recorder.h"
#include "editor/TrackEditor.h"
#include "editor/TrackerLayout.h"
#include "editor/TuneStrip.h"
#include "sync/data.h"

// What the panel shows besides the keys: where the music is, the tempo and
// what the editor has to say.
struct EditorView {
    double playRow = 0.0;                  // the music's row this frame
    double endRow = 0.0;                   // the demo's end: rows after it are dimmed
    BeatGrid grid;                         // beat and bar lines
    const SyncTrack* sceneTrack = nullptr; // scene changes are marked across all columns
    std::string status;                    // what the last command did
    bool askingToQuit = false;             // "Esc again to quit" shows
    const Recorder* recorder = nullptr;    // armed columns are marked; may be null
};

class EditorPanel {
public:
    // Draws the panel `height` pixels high; returns its width in pixels.
    float draw(TrackEditor& editor, const TuneStrip& strip, const EditorView& view, float height);

    // A track name entered in the add field this frame ("" when none); taken once.
    std::string takeNewTrack();
    // A line shown under the field (which shader reads a new track, ...).
    void setNotice(const std::string& notice) { notice_ = notice; }

    void toggleHelp() { helpShown_ = !helpShown_; }
    bool helpShown() const { return helpShown_; }

    // Esc during a drag in the curve view: the keys go back. False when none is going on.
    bool cancelDrag(TrackEditor& editor);
    // The curve view spans every key of the tracks it shows (F).
    void frameCurves(const TrackEditor& editor);
    // Hides column `name` from the tracker, or shows every hidden one again.
    void hideColumn(const std::string& name) { hidden_.insert(name); }
    void showColumns() { hidden_.clear(); }

private:
    void drawHelp(float height);
    // The tracker view: its layout, then the parts below.
    void drawTracker(TrackEditor& editor, const TuneStrip& strip, const EditorView& view, float height);
    // The columns that fit in `room` pixels, the cursor's among them, into `layout`.
    void placeColumns(const TrackEditor& editor, TrackerLayout& layout, float room);
    // The column heads, with a tooltip for the one under the mouse.
    void drawTrackerHeads(const TrackEditor& editor, const TrackerLayout& layout, const EditorView& view,
                          bool hovered) const;
    // One line: its marks (cursor, music, beat, bar, scene), row number, strip and cells; `width`: the view's.
    void drawTrackerLine(const TrackEditor& editor, const TuneStrip& strip, const EditorView& view,
                         const TrackerLayout& layout, int line, float width) const;
    // The music's level over rows `row` .. `rowEnd`, and its end when it falls there.
    void drawStripLine(const TuneStrip& strip, const TrackerLayout& layout, int64_t row, int64_t rowEnd, float y) const;
    // The line's cells: selection, cursor, typed text, the first key or the value.
    void drawTrackerCells(const TrackEditor& editor, const TrackerLayout& layout, int64_t row, int64_t rowEnd,
                          float y) const;
    void trackerMouse(TrackEditor& editor, const TrackerLayout& layout, bool hovered);
    // The curve view: its wheel, then the parts below in this order.
    void drawCurves(TrackEditor& editor, const EditorView& view, float height);
    // Where the rows and values in view stand in the view's rectangle (the
    // labels' room left out).
    CurvePlot curvePlot(const TrackEditor& editor, const std::vector<size_t>& shown, float left, float top, float width,
                        float height) const;
    // The beat, bar and value lines with their labels, the music's and the cursor's rows.
    void drawCurveGrid(const CurvePlot& plot, float labelLeft, const EditorView& view, double cursorRow,
                       double valueStep) const;
    // The curves and keys of the `shown` columns; true with `under` set when
    // the mouse is on a key.
    bool drawCurveKeys(const TrackEditor& editor, const std::vector<size_t>& shown, const CurvePlot& plot, bool hovered,
                       CurveKey& under) const;
    // Grabbing, boxing and dragging keys with the mouse; `under`: the key the mouse is on, if any.
    void curveMouse(TrackEditor& editor, const std::vector<size_t>& shown, const CurvePlot& plot, const CurveKey* under,
                    bool hovered, double valueStep);
    // The dragged key's row and value, else the row and value under the mouse.
    void drawCurveReadout(const CurvePlot& plot, bool hovered) const;
    bool isBoxed(size_t column, int32_t row) const;
    void drawProblems(const TrackEditor& editor, float width);
    float columnWidth(const EditorTrack& track);
    std::vector<size_t> curveColumns(const TrackEditor& editor) const;

    float width_ = 0.0f;                   // 0: not drawn yet (then 45 % of the window)
    size_t firstColumn_ = 0;               // the leftmost column shown
    std::set<std::string> ticked_;         // tracks drawn in the curve view besides the cursor's
    std::set<std::string> hidden_;         // columns the tracker leaves out (the cursor's is always shown)
    std::map<std::string, float> dragged_; // column widths set by dragging a head's edge
    struct ValueWidth {
        uint64_t revision = ~uint64_t{0};
        float width = 0.0f;
    };
    std::map<std::string, ValueWidth> valueWidths_; // the width each column's values need
    int rowsPerLine_ = 1;                           // the tracker's zoom: 1, 2, 4 or 8
    int64_t scrollLines_ = 0;                       // the wheel's scroll, until the cursor moves
    int32_t scrolledAtRow_ = 0;                     // the cursor's row when it was scrolled
    bool selectingByMouse_ = false;                 // a drag over cells is selecting
    std::string resizing_;                          // the column whose edge is being dragged
    bool helpShown_ = false;

    double curveRows_ = 256.0; // rows the curve view spans (Ctrl+wheel zooms)
    double curveOffset_ = 0.0; // its start, in rows from the cursor's row (the wheel scrolls)
    bool curveFramed_ = false; // F: the value range is curveFrame_, not the one in view
    ValueRange curveFrame_;
    // A key (or several selected keys) being dragged in the curve view.
    std::vector<CurveKey> boxed_; // keys selected with a box
    bool dragging_ = false;
    bool boxing_ = false;
    float boxX_ = 0.0f, boxY_ = 0.0f;
    CurveKey grabbed_;
    uint64_t gesture_ = 0;
    ValueRange dragRange_; // the value range, frozen while dragging
    std::string readout_;  // the dragged key's row and value
    char newTrack_[64] = {};
    std::string entered_;
    std::string notice_;
};
