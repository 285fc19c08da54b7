// The track editor's panel in Dear ImGui. Main thread, inside an ImGui frame.
#include "editor/EditorPanel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <imgui.h>

#include "editor/EditorKeys.h"
#include "editor/TrackerHead.h"
#include "sync/track.h"

namespace {

constexpr float kHandle = 4.0f; // half a key handle's side in the curve view
constexpr float kLeastColumn = 48.0f;
constexpr float kMostColumn = 400.0f;
const char* const kTypeCodes[] = {"stp", "lin", "smo", "rmp"};

const ImU32 kText = IM_COL32(230, 230, 230, 255);
const ImU32 kFaint = IM_COL32(120, 120, 130, 255);
const ImU32 kDim = IM_COL32(0, 0, 0, 110);
const ImU32 kCursorRow = IM_COL32(60, 60, 110, 255);
const ImU32 kPlayRow = IM_COL32(40, 90, 40, 255);
const ImU32 kBeat = IM_COL32(34, 34, 40, 255);
const ImU32 kBar = IM_COL32(110, 110, 130, 255);
const ImU32 kScene = IM_COL32(230, 160, 40, 255);
const ImU32 kSelection = IM_COL32(80, 80, 160, 110);
const ImU32 kLevel = IM_COL32(70, 130, 190, 255);
const ImU32 kPeak = IM_COL32(40, 70, 100, 255);
const ImU32 kTuneEnd = IM_COL32(220, 60, 60, 255);
const ImU32 kProblem = IM_COL32(255, 100, 100, 255);
const ImU32 kCurveColours[] = {IM_COL32(255, 210, 80, 255), IM_COL32(120, 220, 255, 255), IM_COL32(160, 255, 140, 255),
                               IM_COL32(255, 140, 220, 255)};

// Whether the scene track's key at `row` changes the scene (its whole part).
bool sceneChangesAt(const SyncTrack* scene, int64_t row)
{
    if (scene == nullptr || scene->key_count == 0 || row < INT32_MIN || row > INT32_MAX)
        return false;
    const int i = sync_search_key(scene, static_cast<int>(row));
    if (i < 0)
        return false;
    return i == 0 || std::trunc(scene->keys[i].value) != std::trunc(scene->keys[i - 1].value);
}

// `text` cut to `width` pixels with "..." at its end where it does not fit.
std::string elide(const std::string& text, float width)
{
    if (ImGui::CalcTextSize(text.c_str()).x <= width)
        return text;
    std::string cut = text;
    while (!cut.empty() && ImGui::CalcTextSize((cut + "...").c_str()).x > width)
        cut.pop_back();
    return cut + "...";
}

// One line of text that fits the panel: elided, the whole in a tooltip.
void fittingLine(const std::string& text, const ImVec4& colour)
{
    const float width = ImGui::GetContentRegionAvail().x;
    const std::string shown = elide(text, width);
    ImGui::TextColored(colour, "%s", shown.c_str());
    if (shown != text && ImGui::IsItemHovered())
        ImGui::SetTooltip("%s", text.c_str());
}

std::string keyText(const SyncKey& key)
{
    char text[48];
    const char* type = key.type >= 0 && key.type <= 3 ? kTypeCodes[key.type] : "?";
    std::snprintf(text, sizeof text, "%.3f %s", static_cast<double>(key.value), type);
    return text;
}

} // namespace

std::string EditorPanel::takeNewTrack()
{
    std::string name;
    name.swap(entered_);
    return name;
}

float EditorPanel::draw(TrackEditor& editor, const TuneStrip& strip, const EditorView& view, float height)
{
    const ImGuiIO& io = ImGui::GetIO();
    if (width_ <= 0.0f)
        width_ = std::max(240.0f, std::floor(io.DisplaySize.x * 0.45f));
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(width_, height), ImGuiCond_Always);
    ImGui::SetNextWindowSizeConstraints(ImVec2(240.0f, height),
                                        ImVec2(std::max(240.0f, io.DisplaySize.x - 120.0f), height));
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                   ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse |
                                   ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_NoNav;
    ImGui::Begin("Tracks", nullptr, flags);

    // The head line: where the cursor is, and the add field.
    const int32_t row = editor.cursorRow();
    const int64_t beat = view.grid.beatAt(row);
    const int64_t bar = beat >= 0 ? beat / view.grid.beatsPerBar : (beat + 1) / view.grid.beatsPerBar - 1;
    ImGui::Text("row %d  bar %lld beat %lld  %s", static_cast<int>(row), static_cast<long long>(bar + 1),
                static_cast<long long>(beat - bar * view.grid.beatsPerBar + 1),
                editor.isTyping() ? ("value: " + editor.typed()).c_str() : "F1: help");
    ImGui::SameLine();
    ImGui::SetNextItemWidth(110.0f);
    if (ImGui::InputTextWithHint("##new", "new track", newTrack_, sizeof newTrack_,
                                 ImGuiInputTextFlags_EnterReturnsTrue)) {
        entered_ = newTrack_;
        newTrack_[0] = '\0';
    }
    if (view.askingToQuit)
        fittingLine("Esc again to quit", ImVec4(1.0f, 0.8f, 0.3f, 1.0f));
    else
        fittingLine(view.status.empty() ? " " : view.status, ImVec4(0.8f, 0.8f, 0.9f, 1.0f));
    if (!notice_.empty())
        fittingLine(notice_, ImVec4(0.6f, 0.9f, 0.6f, 1.0f));

    if (helpShown_) {
        drawHelp(ImGui::GetContentRegionAvail().y);
    } else {
        const float left = ImGui::GetContentRegionAvail().y;
        drawTracker(editor, strip, view, std::floor(left * 0.62f));
        drawProblems(editor, ImGui::GetContentRegionAvail().x);
        drawCurves(editor, view, ImGui::GetContentRegionAvail().y);
    }

    width_ = ImGui::GetWindowWidth();
    ImGui::End();
    return width_;
}

void EditorPanel::drawHelp(float height)
{
    if (height < 20.0f)
        return;
    ImGui::BeginChild("help", ImVec2(0.0f, height), false);
    ImGui::TextColored(ImVec4(1.0f, 0.85f, 0.4f, 1.0f), "Keys (F1 or Esc closes this help)");
    const char* previous = "";
    for (size_t i = 0; i < kEditorKeyCount; ++i) {
        const EditorKeyBinding& binding = kEditorKeys[i];
        // A key with two codes (Delete) is listed once.
        if (std::string(binding.keys) == previous)
            continue;
        previous = binding.keys;
        ImGui::TextColored(ImVec4(0.6f, 0.9f, 1.0f, 1.0f), "%-16s", binding.keys);
        ImGui::SameLine();
        ImGui::TextWrapped("%s", binding.what);
    }
    ImGui::TextColored(ImVec4(0.6f, 0.9f, 1.0f, 1.0f), "%-16s", "Space, a, d, Tab");
    ImGui::SameLine();
    ImGui::TextWrapped("%s", "pause, seek, heads-up display (as without the editor); F2 hides the editor");
    ImGui::Spacing();
    ImGui::TextColored(ImVec4(1.0f, 0.85f, 0.4f, 1.0f), "Mouse");
    for (size_t i = 0; i < kEditorMouseCount; ++i) {
        ImGui::TextColored(ImVec4(0.6f, 0.9f, 1.0f, 1.0f), "%s:", kEditorMouse[i].name);
        ImGui::SameLine();
        ImGui::TextWrapped("%s", kEditorMouse[i].what);
    }
    ImGui::Spacing();
    ImGui::TextColored(ImVec4(1.0f, 0.85f, 0.4f, 1.0f), "Colours");
    for (size_t i = 0; i < kEditorColourCount; ++i) {
        ImGui::TextColored(ImVec4(0.6f, 0.9f, 1.0f, 1.0f), "%s:", kEditorColours[i].name);
        ImGui::SameLine();
        ImGui::TextWrapped("%s", kEditorColours[i].what);
    }
    ImGui::EndChild();
}

float EditorPanel::columnWidth(const EditorTrack& track)
{
    ValueWidth& cached = valueWidths_[track.name];
    if (cached.revision != track.revision) {
        size_t longest = 0;
        std::string widest = "0.000 stp";
        for (const EditorKey& key : track.keys) {
            const std::string text = keyText(key.key);
            if (text.size() > longest) {
                longest = text.size();
                widest = text;
            }
        }
        cached.width = ImGui::CalcTextSize(widest.c_str()).x + 10.0f;
        cached.revision = track.revision;
    }
    const float name = ImGui::CalcTextSize((track.name + "*").c_str()).x + 10.0f;
    const auto dragged = dragged_.find(track.name);
    return trackerColumnWidth(name, cached.width, dragged == dragged_.end() ? 0.0f : dragged->second, kLeastColumn,
                              kMostColumn);
}

void EditorPanel::drawTracker(TrackEditor& editor, const TuneStrip& strip, const EditorView& view, float height)
{
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const float width = ImGui::GetContentRegionAvail().x;
    TrackerLayout layout;
    layout.x = origin.x;
    layout.y = origin.y;
    layout.rowHeight = ImGui::GetTextLineHeight() + 2.0f;
    layout.headHeight = layout.rowHeight + 2.0f;
    // A window too small for a row has no tracker (Dear ImGui refuses empty items).
    if (height < layout.headHeight + layout.rowHeight || width < layout.tracksX() - origin.x + kLeastColumn)
        return;
    layout.lines = std::max(1, static_cast<int>((height - layout.headHeight) / layout.rowHeight));
    layout.rowsPerLine = rowsPerLine_;
    if (editor.cursorRow() != scrolledAtRow_)
        scrollLines_ = 0; // the cursor moved: back to the middle
    layout.firstRow = trackerFirstRow(editor.cursorRow(), layout.lines, rowsPerLine_, scrollLines_);
    placeColumns(editor, layout, origin.x + width - layout.tracksX());

    ImGui::InvisibleButton("tracker", ImVec2(width, height));
    const bool hovered = ImGui::IsItemHovered();
    draw->PushClipRect(origin, ImVec2(origin.x + width, origin.y + height), true);
    drawTrackerHeads(editor, layout, view, hovered);
    for (int line = 0; line < layout.lines; ++line)
        drawTrackerLine(editor, strip, view, layout, line, width);
    draw->PopClipRect();
    trackerMouse(editor, layout, hovered);
    scrolledAtRow_ = editor.cursorRow();
}

void EditorPanel::placeColumns(const TrackEditor& editor, TrackerLayout& layout, float room)
{
    // The columns shown (hidden ones left out, the cursor's kept), the
    // cursor's in view.
    std::vector<size_t> shown;
    std::vector<float> widths;
    for (size_t c = 0; c < editor.columnCount(); ++c)
        if (c == editor.cursorColumn() || hidden_.count(editor.column(c).name) == 0) {
            shown.push_back(c);
            widths.push_back(columnWidth(editor.column(c)));
        }
    const size_t cursorAt = static_cast<size_t>(std::find(shown.begin(), shown.end(), editor.cursorColumn()) -
                                                shown.begin());
    size_t count = 0;
    firstColumn_ = trackerFitColumns(widths, cursorAt, firstColumn_, room, count);
    layout.columns.assign(shown.begin() + static_cast<std::ptrdiff_t>(firstColumn_),
                          shown.begin() + static_cast<std::ptrdiff_t>(firstColumn_ + count));
    layout.widths.assign(widths.begin() + static_cast<std::ptrdiff_t>(firstColumn_),
                         widths.begin() + static_cast<std::ptrdiff_t>(firstColumn_ + count));
}

void EditorPanel::drawTrackerHeads(const TrackEditor& editor, const TrackerLayout& layout, const EditorView& view,
                                   bool hovered) const
{
    // Column heads: the name with its marks, red while a file has a problem
    // (the line under the tracker says which); a long name is elided, the
    // whole in a tooltip.
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    for (size_t i = 0; i < layout.columns.size(); ++i) {
        const EditorTrack& track = editor.column(layout.columns[i]);
        const float x = layout.columnX(i);
        const TrackerHead head = trackerHead(track, ticked_.count(track.name) > 0, view.recorder);
        draw->AddText(ImVec2(x + 2.0f, layout.y), head.red ? kProblem : kText,
                      elide(head.text, layout.widths[i] - 6.0f).c_str());
        draw->AddLine(ImVec2(x + layout.widths[i] - 1.0f, layout.y),
                      ImVec2(x + layout.widths[i] - 1.0f, layout.rowsY() - 2.0f), kBeat);
        if (hovered && mouse.y < layout.rowsY() && mouse.x >= x && mouse.x < x + layout.widths[i])
            ImGui::SetTooltip("%s", head.tip.c_str());
    }
}

void EditorPanel::drawTrackerLine(const TrackEditor& editor, const TuneStrip& strip, const EditorView& view,
                                  const TrackerLayout& layout, int line, float width) const
{
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const int64_t row = layout.lineRow(line);
    const int64_t rowEnd = row + layout.rowsPerLine - 1; // the line's last row
    const float y = layout.rowsY() + static_cast<float>(line) * layout.rowHeight;
    if (rowEnd < 0 || row > editor.lastRow())
        return;
    const ImVec2 lineStart(layout.x, y);
    const ImVec2 lineEnd(layout.x + width, y + layout.rowHeight);
    const auto holds = [&](int64_t r) { return r >= row && r <= rowEnd; };
    bool beat = false, bar = false, scene = false;
    for (int64_t r = row; r <= rowEnd; ++r) {
        beat = beat || view.grid.isBeatLine(r);
        bar = bar || view.grid.isBarLine(r);
        scene = scene || sceneChangesAt(view.sceneTrack, r);
    }
    if (holds(editor.cursorRow()))
        draw->AddRectFilled(lineStart, lineEnd, kCursorRow);
    else if (holds(static_cast<int64_t>(std::floor(view.playRow))))
        draw->AddRectFilled(lineStart, lineEnd, kPlayRow);
    else if (beat)
        draw->AddRectFilled(lineStart, lineEnd, kBeat);
    if (bar)
        draw->AddLine(lineStart, ImVec2(lineEnd.x, y), kBar);
    if (scene)
        draw->AddLine(ImVec2(layout.tracksX(), y), ImVec2(lineEnd.x, y), kScene, 2.0f);

    char text[48];
    std::snprintf(text, sizeof text, "%5lld", static_cast<long long>(row));
    draw->AddText(ImVec2(layout.x + 2.0f, y + 1.0f), beat ? kText : kFaint, text);
    drawStripLine(strip, layout, row, rowEnd, y);
    drawTrackerCells(editor, layout, row, rowEnd, y);
    if (row > view.endRow)
        draw->AddRectFilled(lineStart, lineEnd, kDim);
}

void EditorPanel::drawStripLine(const TuneStrip& strip, const TrackerLayout& layout, int64_t row, int64_t rowEnd,
                                float y) const
{
    // The music's level over the line's rows, and where it ends.
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float stripX = layout.x + layout.rowNumberWidth;
    if (strip.ready() && row >= 0 && static_cast<size_t>(row) < strip.levels().size()) {
        const float peakMax = strip.loudest();
        float peak = 0.0f, level = 0.0f;
        for (int64_t r = row; r <= rowEnd && static_cast<size_t>(r) < strip.levels().size(); ++r) {
            peak = std::max(peak, strip.peaks()[static_cast<size_t>(r)] / peakMax);
            level = std::max(level, strip.levels()[static_cast<size_t>(r)] / peakMax);
        }
        draw->AddRectFilled(ImVec2(stripX, y + 1.0f),
                            ImVec2(stripX + peak * (layout.stripWidth - 4.0f), y + layout.rowHeight - 1.0f), kPeak);
        draw->AddRectFilled(ImVec2(stripX, y + 3.0f),
                            ImVec2(stripX + level * (layout.stripWidth - 4.0f), y + layout.rowHeight - 3.0f), kLevel);
    }
    const float tuneEnd = strip.ready() ? static_cast<float>(strip.endRow()) : -1.0f;
    const int64_t tuneEndRow = static_cast<int64_t>(std::floor(tuneEnd));
    if (tuneEnd >= 0.0f && tuneEndRow >= row && tuneEndRow <= rowEnd)
        draw->AddLine(ImVec2(stripX, y), ImVec2(stripX + layout.stripWidth, y), kTuneEnd, 2.0f);
}

void EditorPanel::drawTrackerCells(const TrackEditor& editor, const TrackerLayout& layout, int64_t row, int64_t rowEnd,
                                   float y) const
{
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const EditorBlock block = editor.block();
    const bool cursorLine = editor.cursorRow() >= row && editor.cursorRow() <= rowEnd;
    char text[48];
    for (size_t i = 0; i < layout.columns.size(); ++i) {
        const size_t c = layout.columns[i];
        const EditorTrack& track = editor.column(c);
        const float x = layout.columnX(i);
        const float w = layout.widths[i];
        if (editor.hasSelection() && rowEnd >= block.firstRow && row <= block.lastRow && c >= block.firstColumn &&
            c <= block.lastColumn)
            draw->AddRectFilled(ImVec2(x, y), ImVec2(x + w, y + layout.rowHeight), kSelection);
        if (cursorLine && c == editor.cursorColumn()) {
            draw->AddRect(ImVec2(x, y), ImVec2(x + w - 2.0f, y + layout.rowHeight), kText);
            if (editor.isTyping()) {
                draw->AddText(ImVec2(x + 3.0f, y + 1.0f), kText, elide(editor.typed() + "_", w - 4.0f).c_str());
                continue;
            }
        }
        // The line's first key, else the track's value at its first row.
        const size_t key = editor::firstKeyAtOrAfter(track.keys, row);
        if (key < track.keys.size() && track.keys[key].key.row <= rowEnd) {
            draw->AddText(ImVec2(x + 3.0f, y + 1.0f), kText, elide(keyText(track.keys[key].key), w - 4.0f).c_str());
        } else if (track.track != nullptr && track.track->key_count > 0) {
            std::snprintf(text, sizeof text, "%.3f",
                          static_cast<double>(sync_track_value(track.track, static_cast<double>(row))));
            draw->AddText(ImVec2(x + 3.0f, y + 1.0f), kFaint, elide(text, w - 4.0f).c_str());
        }
    }
}

void EditorPanel::trackerMouse(TrackEditor& editor, const TrackerLayout& layout, bool hovered)
{
    const ImGuiIO& io = ImGui::GetIO();
    const TrackerHit hit = trackerHitTest(layout, io.MousePos.x, io.MousePos.y);
    const long long cursorColumn = static_cast<long long>(editor.cursorColumn());
    if (hovered && hit.part == TrackerPart::HeadEdge)
        ImGui::SetMouseCursor(ImGuiMouseCursor_ResizeEW);
    if (hovered && ImGui::IsMouseDoubleClicked(0) && hit.part == TrackerPart::Cell) {
        editor.setCursor(hit.row, static_cast<long long>(hit.column), false);
        const std::vector<EditorKey>& keys = editor.column(hit.column).keys;
        const long long key = editor::keyIndexAt(keys, editor.cursorRow());
        char text[32];
        std::snprintf(text, sizeof text, "%g",
                      key >= 0 ? static_cast<double>(keys[static_cast<size_t>(key)].key.value) : 0.0);
        editor.startTyping(text);
    } else if (hovered && ImGui::IsMouseClicked(0)) {
        switch (hit.part) {
        case TrackerPart::HeadEdge:
            resizing_ = editor.column(hit.column).name;
            dragged_[resizing_] = layout.widths[static_cast<size_t>(
                std::find(layout.columns.begin(), layout.columns.end(), hit.column) - layout.columns.begin())];
            break;
        case TrackerPart::Head: {
            const std::string& name = editor.column(hit.column).name;
            if (!ticked_.erase(name))
                ticked_.insert(name);
            break;
        }
        case TrackerPart::RowNumber:
        case TrackerPart::Strip:
            editor.setCursor(hit.row, cursorColumn, false);
            break;
        case TrackerPart::Cell:
            editor.setCursor(hit.row, static_cast<long long>(hit.column), io.KeyShift);
            selectingByMouse_ = true;
            break;
        case TrackerPart::None:
            break;
        }
    }
    if (hovered && ImGui::IsMouseClicked(1) && hit.part == TrackerPart::Head)
        hidden_.insert(editor.column(hit.column).name);
    if (ImGui::IsMouseDown(0) && !resizing_.empty())
        dragged_[resizing_] = std::clamp(dragged_[resizing_] + io.MouseDelta.x, kLeastColumn, kMostColumn);
    if (ImGui::IsMouseDown(0) && selectingByMouse_ && ImGui::IsMouseDragging(0, 2.0f) && hit.part == TrackerPart::Cell)
        editor.setCursor(hit.row, static_cast<long long>(hit.column), true);
    if (!ImGui::IsMouseDown(0)) {
        selectingByMouse_ = false;
        resizing_.clear();
    }
    if (hovered && io.MouseWheel != 0.0f) {
        if (io.KeyCtrl)
            rowsPerLine_ = trackerZoom(rowsPerLine_, io.MouseWheel > 0.0f);
        else
            scrollLines_ -= static_cast<int64_t>(io.MouseWheel * 4.0f);
    }
}

void EditorPanel::drawProblems(const TrackEditor& editor, float width)
{
    (void)width;
    for (size_t c = 0; c < editor.columnCount(); ++c) {
        const EditorTrack& track = editor.column(c);
        if (!track.readOnlyError.empty())
            fittingLine(track.readOnlyError + " (read-only until it is fixed)", ImVec4(1.0f, 0.4f, 0.4f, 1.0f));
        else if (!track.saveProblem.empty())
            fittingLine(track.saveProblem, ImVec4(1.0f, 0.4f, 0.4f, 1.0f));
    }
}

std::vector<size_t> EditorPanel::curveColumns(const TrackEditor& editor) const
{
    std::vector<size_t> shown{editor.cursorColumn()};
    for (size_t c = 0; c < editor.columnCount(); ++c)
        if (c != editor.cursorColumn() && ticked_.count(editor.column(c).name))
            shown.push_back(c);
    return shown;
}

void EditorPanel::frameCurves(const TrackEditor& editor)
{
    if (editor.columnCount() == 0)
        return;
    std::vector<const std::vector<EditorKey>*> keys;
    for (size_t c : curveColumns(editor))
        keys.push_back(&editor.column(c).keys);
    double first = 0.0, rows = 0.0;
    if (!curveFrameKeys(keys, first, rows, curveFrame_))
        return;
    curveRows_ = rows;
    curveOffset_ = first - (editor.cursorRow() - curveRows_ / 2.0);
    curveFramed_ = true;
}

bool EditorPanel::cancelDrag(TrackEditor& editor)
{
    boxing_ = false;
    if (!dragging_)
        return false;
    dragging_ = false;
    readout_.clear();
    editor.cancelGesture(gesture_);
    return true;
}

void EditorPanel::drawCurves(TrackEditor& editor, const EditorView& view, float height)
{
    const float width = ImGui::GetContentRegionAvail().x;
    if (editor.columnCount() == 0 || height < 60.0f || width < 80.0f)
        return;
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 outer = ImGui::GetCursorScreenPos();
    ImGui::InvisibleButton("curves", ImVec2(width, height));
    const bool hovered = ImGui::IsItemHovered();
    const ImGuiIO& io = ImGui::GetIO();
    if (hovered && io.MouseWheel != 0.0f) {
        curveFramed_ = false;
        if (io.KeyCtrl)
            curveRows_ = std::clamp(curveRows_ * (io.MouseWheel > 0.0f ? 0.8 : 1.25), 8.0, 100000.0);
        else
            curveOffset_ -= io.MouseWheel * curveRows_ * 0.1;
    }
    const std::vector<size_t> shown = curveColumns(editor);
    const CurvePlot plot = curvePlot(editor, shown, outer.x, outer.y, width, height);
    const double valueStep = curveStep(double{plot.values.high} - plot.values.low,
                                       std::max(2, static_cast<int>(plot.height / 24.0f)));

    draw->PushClipRect(outer, ImVec2(outer.x + width, outer.y + height), true);
    drawCurveGrid(plot, outer.x + 2.0f, view, editor.cursorRow(), valueStep);
    CurveKey under;
    const bool onKey = drawCurveKeys(editor, shown, plot, hovered, under);
    curveMouse(editor, shown, plot, onKey ? &under : nullptr, hovered, valueStep);
    drawCurveReadout(plot, hovered);
    draw->PopClipRect();
}

CurvePlot EditorPanel::curvePlot(const TrackEditor& editor, const std::vector<size_t>& shown, float left, float top,
                                 float width, float height) const
{
    // The plot, with room for the value labels at its left and the row labels under it.
    const float labelWidth = ImGui::CalcTextSize("-0000.00").x + 6.0f;
    const float labelHeight = ImGui::GetTextLineHeight() + 2.0f;
    CurvePlot plot;
    plot.left = left + labelWidth;
    plot.top = top;
    plot.width = width - labelWidth;
    plot.height = height - labelHeight;
    plot.firstRow = editor.cursorRow() - curveRows_ / 2.0 + curveOffset_;
    plot.rows = curveRows_;
    if (dragging_) {
        plot.values = dragRange_;
    } else if (curveFramed_) {
        plot.values = curveFrame_;
    } else {
        std::vector<const SyncTrack*> tracks;
        for (size_t c : shown)
            tracks.push_back(editor.column(c).track);
        plot.values = curveValueRange(tracks, plot.firstRow, curveRows_, static_cast<int>(plot.width / 4.0f));
    }
    return plot;
}

void EditorPanel::drawCurveGrid(const CurvePlot& plot, float labelLeft, const EditorView& view, double cursorRow,
                                double valueStep) const
{
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float labelHeight = ImGui::GetTextLineHeight() + 2.0f;
    const ImVec2 origin(plot.left, plot.top);
    const float bottom = plot.top + plot.height;
    const double first = plot.firstRow;
    draw->AddRectFilled(origin, ImVec2(plot.left + plot.width, bottom), IM_COL32(20, 20, 26, 255));
    // Time: beat lines, bar lines labelled with the bar, row labels below.
    const double beatRows = view.grid.rowsPerBeat;
    const bool beatsFit = plot.rows / beatRows <= plot.width / 6.0f;
    char label[48];
    for (int64_t b = view.grid.beatAt(static_cast<int64_t>(std::floor(first)));
         view.grid.beatRow(b) <= first + plot.rows; ++b) {
        const bool isBar = b % view.grid.beatsPerBar == 0;
        if (!beatsFit && !isBar)
            continue;
        const float x = plot.xOfRow(static_cast<double>(view.grid.beatRow(b)));
        draw->AddLine(ImVec2(x, plot.top), ImVec2(x, bottom), isBar ? kBar : kBeat);
    }
    const double rowStep = curveStep(plot.rows, std::max(2, static_cast<int>(plot.width / 70.0f)));
    for (double r = std::ceil(first / rowStep) * rowStep; rowStep > 0.0 && r <= first + plot.rows; r += rowStep) {
        const int64_t whole = static_cast<int64_t>(r);
        const int64_t beat = view.grid.beatAt(whole);
        std::snprintf(label, sizeof label, "%lld|%lld", static_cast<long long>(whole),
                      static_cast<long long>(beat / view.grid.beatsPerBar + 1));
        draw->AddText(ImVec2(plot.xOfRow(r) - 4.0f, bottom + 1.0f), kFaint, label);
    }
    // Values: round steps, labelled at the left.
    for (double v = std::ceil(plot.values.low / valueStep) * valueStep; valueStep > 0.0 && v <= plot.values.high;
         v += valueStep) {
        const float y = plot.yOfValue(static_cast<float>(v));
        draw->AddLine(ImVec2(plot.left, y), ImVec2(plot.left + plot.width, y), v == 0.0 ? kBar : kBeat);
        std::snprintf(label, sizeof label, "%g", std::fabs(v) < valueStep * 1e-3 ? 0.0 : v);
        draw->AddText(ImVec2(labelLeft, y - labelHeight / 2.0f), kFaint, label);
    }
    // On the whole row, as the tracker shows it: the panel changes once a row, not every frame.
    const float playX = plot.xOfRow(std::floor(view.playRow));
    draw->AddLine(ImVec2(playX, plot.top), ImVec2(playX, bottom), kPlayRow, 2.0f);
    const float cursorX = plot.xOfRow(cursorRow);
    draw->AddLine(ImVec2(cursorX, plot.top), ImVec2(cursorX, bottom), kCursorRow, 2.0f);
}

bool EditorPanel::isBoxed(size_t column, int32_t row) const
{
    return std::any_of(boxed_.begin(), boxed_.end(),
                       [&](const CurveKey& key) { return key.column == column && key.row == row; });
}

bool EditorPanel::drawCurveKeys(const TrackEditor& editor, const std::vector<size_t>& shown, const CurvePlot& plot,
                                bool hovered, CurveKey& under) const
{
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    const double first = plot.firstRow;
    bool onKey = false;
    for (size_t s = 0; s < shown.size(); ++s) {
        const EditorTrack& track = editor.column(shown[s]);
        const ImU32 colour = kCurveColours[s % 4];
        if (track.track != nullptr && track.track->key_count > 0) {
            ImVec2 previous(plot.left, plot.yOfValue(sync_track_value(track.track, first)));
            for (float x = 2.0f; x <= plot.width; x += 2.0f) {
                const ImVec2 point(plot.left + x,
                                   plot.yOfValue(sync_track_value(track.track, first + x * plot.rowsPerPixel())));
                draw->AddLine(previous, point, colour);
                previous = point;
            }
        }
        const double last = first + plot.rows;
        for (size_t k = editor::firstKeyAtOrAfter(track.keys, static_cast<int64_t>(std::ceil(first)));
             k < track.keys.size() && track.keys[k].key.row <= last; ++k) {
            const SyncKey& key = track.keys[k].key;
            const ImVec2 at(plot.xOfRow(key.row), plot.yOfValue(key.value));
            draw->AddRectFilled(ImVec2(at.x - kHandle, at.y - kHandle), ImVec2(at.x + kHandle, at.y + kHandle), colour);
            if (isBoxed(shown[s], key.row))
                draw->AddRect(ImVec2(at.x - kHandle - 2.0f, at.y - kHandle - 2.0f),
                              ImVec2(at.x + kHandle + 2.0f, at.y + kHandle + 2.0f), kText);
            // Which key the mouse is on, of the tracks shown.
            if (!onKey && hovered && std::fabs(mouse.x - at.x) <= kHandle + 2.0f &&
                std::fabs(mouse.y - at.y) <= kHandle + 2.0f) {
                onKey = true;
                under = {shown[s], key.row, key.value};
            }
        }
        draw->AddText(ImVec2(plot.left + 4.0f, plot.top + 2.0f + static_cast<float>(s) * ImGui::GetTextLineHeight()),
                      colour, track.name.c_str());
    }
    return onKey;
}

void EditorPanel::curveMouse(TrackEditor& editor, const std::vector<size_t>& shown, const CurvePlot& plot,
                             const CurveKey* under, bool hovered, double valueStep)
{
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImGuiIO& io = ImGui::GetIO();
    // A click on a key grabs it (and the boxed keys with it, when it is one
    // of them); a drag on empty space draws a box that selects keys.
    if (hovered && ImGui::IsMouseClicked(0)) {
        if (under != nullptr) {
            if (!isBoxed(under->column, under->row))
                boxed_.clear();
            dragging_ = true;
            grabbed_ = *under;
            dragRange_ = plot.values;
            ++gesture_;
        } else {
            boxed_.clear();
            boxing_ = true;
            boxX_ = io.MousePos.x;
            boxY_ = io.MousePos.y;
        }
    }
    if (boxing_) {
        const ImVec2 a(std::min(boxX_, io.MousePos.x), std::min(boxY_, io.MousePos.y));
        const ImVec2 b(std::max(boxX_, io.MousePos.x), std::max(boxY_, io.MousePos.y));
        draw->AddRect(a, b, kText);
        if (!ImGui::IsMouseDown(0)) {
            boxing_ = false;
            for (size_t c : shown)
                for (const EditorKey& key : editor.column(c).keys) {
                    const ImVec2 at(plot.xOfRow(key.key.row), plot.yOfValue(key.key.value));
                    if (at.x >= a.x && at.x <= b.x && at.y >= a.y && at.y <= b.y)
                        boxed_.push_back({c, key.key.row, key.key.value});
                }
        }
    }
    // Dragging: rows always whole, values on a round step unless Ctrl is
    // held (then rounded to 4 digits); Shift: values only.
    if (dragging_ && ImGui::IsMouseDown(0) && ImGui::IsMouseDragging(0, 1.0f)) {
        const std::vector<TrackEditor::KeyMove> moves = curveDragMoves(grabbed_, boxed_, plot.rowAt(io.MousePos.x),
                                                                       plot.valueAt(io.MousePos.y), io.KeyShift,
                                                                       io.KeyCtrl, valueStep, editor.lastRow());
        editor.dragKeys(moves, gesture_);
        char label[48];
        std::snprintf(label, sizeof label, "row %d  value %g", static_cast<int>(moves.front().toRow),
                      static_cast<double>(moves.front().value));
        readout_ = label;
    }
    if (dragging_ && !ImGui::IsMouseDown(0)) {
        dragging_ = false;
        boxed_.clear(); // the keys have moved from where they were boxed
        readout_.clear();
    }
}

void EditorPanel::drawCurveReadout(const CurvePlot& plot, bool hovered) const
{
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    const float right = plot.left + plot.width - 4.0f;
    if (!readout_.empty()) {
        draw->AddText(ImVec2(right - ImGui::CalcTextSize(readout_.c_str()).x, plot.top + 2.0f), kText,
                      readout_.c_str());
    } else if (hovered && !boxing_) {
        char label[48];
        std::snprintf(label, sizeof label, "row %lld  %.4g", static_cast<long long>(std::llround(plot.rowAt(mouse.x))),
                      plot.valueAt(mouse.y));
        draw->AddText(ImVec2(right - ImGui::CalcTextSize(label).x, plot.top + 2.0f), kFaint, label);
    }
}
