// The track editor's panel in Dear ImGui. Main thread, inside an ImGui frame.
#include "editor/EditorPanel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <imgui.h>

#include "sync/track.h"

namespace {

constexpr float kRowNumberWidth = 44.0f;
constexpr float kStripWidth = 40.0f;
constexpr float kColumnWidth = 86.0f;
constexpr float kHandle = 4.0f; // half a key handle's side in the curve view
const char* const kTypeCodes[] = {"stp", "lin", "smo", "rmp"};

const ImU32 kText = IM_COL32(230, 230, 230, 255);
const ImU32 kFaint = IM_COL32(120, 120, 130, 255);
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
                                   ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoSavedSettings;
    ImGui::Begin("Tracks", nullptr, flags);

    // The head line: where the cursor is, and the add field.
    const int32_t row = editor.cursorRow();
    const int beat = static_cast<int>(std::floor(row / view.rowsPerBeat));
    ImGui::Text("row %d  bar %d beat %d  %s", static_cast<int>(row), beat / 4 + 1, beat % 4 + 1,
                editor.isTyping() ? ("value: " + editor.typed()).c_str() : "");
    ImGui::SameLine();
    ImGui::SetNextItemWidth(110.0f);
    if (ImGui::InputTextWithHint("##new", "new track", newTrack_, sizeof newTrack_,
                                 ImGuiInputTextFlags_EnterReturnsTrue)) {
        entered_ = newTrack_;
        newTrack_[0] = '\0';
    }
    if (!notice_.empty())
        ImGui::TextColored(ImVec4(0.6f, 0.9f, 0.6f, 1.0f), "%s", notice_.c_str());

    const float left = ImGui::GetContentRegionAvail().y;
    drawTracker(editor, strip, view, std::floor(left * 0.62f));
    drawProblems(editor);
    drawCurves(editor, view, ImGui::GetContentRegionAvail().y);

    width_ = ImGui::GetWindowWidth();
    ImGui::End();
    return width_;
}

void EditorPanel::drawTracker(TrackEditor& editor, const TuneStrip& strip, const EditorView& view, float height)
{
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const float width = ImGui::GetContentRegionAvail().x;
    const float rowHeight = ImGui::GetTextLineHeight() + 2.0f;
    const float headHeight = rowHeight + 2.0f;
    // A window too small for a row has no tracker (Dear ImGui refuses empty items).
    if (height < headHeight + rowHeight || width < kRowNumberWidth + kStripWidth + kColumnWidth)
        return;
    const int visibleRows = std::max(1, static_cast<int>((height - headHeight) / rowHeight));
    const size_t fitting = std::max<size_t>(
        1, static_cast<size_t>((width - kRowNumberWidth - kStripWidth) / kColumnWidth));

    // The cursor's column stays in view; its row stays in the middle.
    if (editor.cursorColumn() < firstColumn_)
        firstColumn_ = editor.cursorColumn();
    if (editor.cursorColumn() >= firstColumn_ + fitting)
        firstColumn_ = editor.cursorColumn() + 1 - fitting;
    const size_t lastColumn = std::min(editor.columnCount(), firstColumn_ + fitting);
    const int64_t firstRow = int64_t{editor.cursorRow()} - visibleRows / 2;
    const float tracksX = origin.x + kRowNumberWidth + kStripWidth;
    const float rowsY = origin.y + headHeight;
    const EditorBlock block = editor.block();
    const int rowsPerBeat = std::max(1, static_cast<int>(std::lround(view.rowsPerBeat)));

    ImGui::InvisibleButton("tracker", ImVec2(width, height));
    const bool hovered = ImGui::IsItemHovered();
    draw->PushClipRect(origin, ImVec2(origin.x + width, origin.y + height), true);

    // Column heads: the name, "*" while unsaved, "not saved" or "read-only"
    // in red; a click ticks the track for the curve view.
    for (size_t c = firstColumn_; c < lastColumn; ++c) {
        const EditorTrack& track = editor.column(c);
        const float x = tracksX + static_cast<float>(c - firstColumn_) * kColumnWidth;
        const bool ticked = ticked_.count(track.name) > 0;
        std::string head = (ticked ? "[x]" : "") + track.name + (track.unsaved ? "*" : "");
        ImU32 colour = kText;
        if (!track.readOnlyError.empty()) {
            head = track.name + " read-only";
            colour = kProblem;
        } else if (!track.saveProblem.empty()) {
            head = track.name + " not saved";
            colour = kProblem;
        }
        draw->PushClipRect(ImVec2(x, origin.y), ImVec2(x + kColumnWidth - 4.0f, rowsY), true);
        draw->AddText(ImVec2(x + 2.0f, origin.y), colour, head.c_str());
        draw->PopClipRect();
    }

    const float tuneEnd = strip.ready() ? static_cast<float>(strip.endRow()) : -1.0f;
    const float peakMax = strip.ready() ? strip.loudest() : 1.0f;
    char text[48];
    for (int i = 0; i < visibleRows; ++i) {
        const int64_t row = firstRow + i;
        const float y = rowsY + static_cast<float>(i) * rowHeight;
        if (row < 0 || row > editor.lastRow())
            continue;
        const ImVec2 rowStart(origin.x, y);
        const ImVec2 rowEnd(origin.x + width, y + rowHeight);
        if (row == editor.cursorRow())
            draw->AddRectFilled(rowStart, rowEnd, kCursorRow);
        else if (row == static_cast<int64_t>(std::floor(view.playRow)))
            draw->AddRectFilled(rowStart, rowEnd, kPlayRow);
        else if (row % rowsPerBeat == 0)
            draw->AddRectFilled(rowStart, rowEnd, kBeat);
        if (row % (rowsPerBeat * 4) == 0)
            draw->AddLine(rowStart, ImVec2(rowEnd.x, y), kBar);
        if (sceneChangesAt(view.sceneTrack, row))
            draw->AddLine(ImVec2(tracksX, y), ImVec2(rowEnd.x, y), kScene, 2.0f);

        std::snprintf(text, sizeof text, "%5lld", static_cast<long long>(row));
        draw->AddText(ImVec2(origin.x + 2.0f, y + 1.0f), row % rowsPerBeat == 0 ? kText : kFaint, text);

        // The music's level at this row, and where it ends.
        const float stripX = origin.x + kRowNumberWidth;
        if (strip.ready() && static_cast<size_t>(row) < strip.levels().size()) {
            const float peak = strip.peaks()[static_cast<size_t>(row)] / peakMax;
            const float level = strip.levels()[static_cast<size_t>(row)] / peakMax;
            draw->AddRectFilled(ImVec2(stripX, y + 1.0f),
                                ImVec2(stripX + peak * (kStripWidth - 4.0f), y + rowHeight - 1.0f), kPeak);
            draw->AddRectFilled(ImVec2(stripX, y + 3.0f),
                                ImVec2(stripX + level * (kStripWidth - 4.0f), y + rowHeight - 3.0f), kLevel);
        }
        if (tuneEnd >= 0.0f && row == static_cast<int64_t>(std::floor(tuneEnd)))
            draw->AddLine(ImVec2(stripX, y), ImVec2(stripX + kStripWidth, y), kTuneEnd, 2.0f);

        for (size_t c = firstColumn_; c < lastColumn; ++c) {
            const EditorTrack& track = editor.column(c);
            const float x = tracksX + static_cast<float>(c - firstColumn_) * kColumnWidth;
            if (row >= block.firstRow && row <= block.lastRow && c >= block.firstColumn && c <= block.lastColumn &&
                editor.hasSelection())
                draw->AddRectFilled(ImVec2(x, y), ImVec2(x + kColumnWidth, y + rowHeight), kSelection);
            const bool atCursor = row == editor.cursorRow() && c == editor.cursorColumn();
            if (atCursor) {
                draw->AddRect(ImVec2(x, y), ImVec2(x + kColumnWidth - 2.0f, y + rowHeight), kText);
                if (editor.isTyping()) {
                    draw->AddText(ImVec2(x + 3.0f, y + 1.0f), kText, (editor.typed() + "_").c_str());
                    continue;
                }
            }
            const long long key = editor::keyIndexAt(track.keys, static_cast<int32_t>(row));
            if (key >= 0) {
                const SyncKey& k = track.keys[static_cast<size_t>(key)].key;
                const char* type = k.type >= 0 && k.type <= 3 ? kTypeCodes[k.type] : "?";
                std::snprintf(text, sizeof text, "%8.3f %s", static_cast<double>(k.value), type);
                draw->AddText(ImVec2(x + 3.0f, y + 1.0f), kText, text);
            } else if (track.track != nullptr && track.track->key_count > 0) {
                std::snprintf(text, sizeof text, "%8.3f",
                              static_cast<double>(sync_track_value(track.track, static_cast<double>(row))));
                draw->AddText(ImVec2(x + 3.0f, y + 1.0f), kFaint, text);
            }
        }
    }
    draw->PopClipRect();

    // A click picks a cell (Shift: a block) or ticks a column's head;
    // the wheel moves the cursor.
    const ImGuiIO& io = ImGui::GetIO();
    if (hovered && ImGui::IsMouseClicked(0)) {
        const ImVec2 mouse = io.MousePos;
        if (mouse.x >= tracksX) {
            const size_t column = firstColumn_ + static_cast<size_t>((mouse.x - tracksX) / kColumnWidth);
            if (column < lastColumn) {
                if (mouse.y < rowsY) {
                    const std::string& name = editor.column(column).name;
                    if (!ticked_.erase(name))
                        ticked_.insert(name);
                } else {
                    const int64_t row = firstRow + static_cast<int64_t>((mouse.y - rowsY) / rowHeight);
                    editor.setCursor(row, static_cast<long long>(column), io.KeyShift);
                }
            }
        }
    }
    if (hovered && io.MouseWheel != 0.0f)
        editor.moveCursor(static_cast<int64_t>(-io.MouseWheel * 4.0f), 0, false);
}

void EditorPanel::drawProblems(const TrackEditor& editor)
{
    for (size_t c = 0; c < editor.columnCount(); ++c) {
        const EditorTrack& track = editor.column(c);
        if (!track.readOnlyError.empty())
            ImGui::TextColored(ImVec4(1.0f, 0.4f, 0.4f, 1.0f), "%s (read-only until it is fixed)",
                               track.readOnlyError.c_str());
        else if (!track.saveProblem.empty())
            ImGui::TextColored(ImVec4(1.0f, 0.4f, 0.4f, 1.0f), "%s", track.saveProblem.c_str());
    }
}

void EditorPanel::drawCurves(TrackEditor& editor, const EditorView& view, float height)
{
    const float width = ImGui::GetContentRegionAvail().x;
    if (editor.columnCount() == 0 || height < 40.0f || width < 40.0f)
        return;
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    ImGui::InvisibleButton("curves", ImVec2(width, height));
    const bool hovered = ImGui::IsItemHovered();
    const ImGuiIO& io = ImGui::GetIO();

    if (hovered && io.MouseWheel != 0.0f) {
        if (io.KeyCtrl)
            curveRows_ = std::clamp(curveRows_ * (io.MouseWheel > 0.0f ? 0.8 : 1.25), 8.0, 100000.0);
        else
            curveOffset_ -= io.MouseWheel * curveRows_ * 0.1;
    }
    const double first = editor.cursorRow() - curveRows_ / 2.0 + curveOffset_;
    const double rowsPerPixel = curveRows_ / std::max(1.0f, width);

    // The tracks shown: the cursor's first, then the ticked ones.
    std::vector<size_t> shown{editor.cursorColumn()};
    for (size_t c = 0; c < editor.columnCount(); ++c)
        if (c != editor.cursorColumn() && ticked_.count(editor.column(c).name))
            shown.push_back(c);

    float low = 0.0f, high = 0.0f;
    if (dragging_) {
        low = dragLow_;
        high = dragHigh_;
    } else {
        bool any = false;
        for (size_t c : shown) {
            const SyncTrack* track = editor.column(c).track;
            if (track == nullptr || track->key_count == 0)
                continue;
            for (float x = 0.0f; x <= width; x += 4.0f) {
                const float v = sync_track_value(track, first + x * rowsPerPixel);
                if (!std::isfinite(v))
                    continue;
                low = any ? std::min(low, v) : v;
                high = any ? std::max(high, v) : v;
                any = true;
            }
        }
        const float margin = high > low ? (high - low) * 0.1f : 1.0f;
        low -= margin;
        high += margin;
    }
    const auto toY = [&](float v) { return origin.y + height - (v - low) / (high - low) * height; };
    const auto toX = [&](double row) { return origin.x + static_cast<float>((row - first) / rowsPerPixel); };

    draw->PushClipRect(origin, ImVec2(origin.x + width, origin.y + height), true);
    draw->AddRectFilled(origin, ImVec2(origin.x + width, origin.y + height), IM_COL32(20, 20, 26, 255));
    const int rowsPerBeat = std::max(1, static_cast<int>(std::lround(view.rowsPerBeat)));
    const double beatStep = rowsPerBeat * (curveRows_ / rowsPerBeat > 64 ? 4 : 1);
    for (double row = std::ceil(first / beatStep) * beatStep; row < first + curveRows_; row += beatStep)
        draw->AddLine(ImVec2(toX(row), origin.y), ImVec2(toX(row), origin.y + height), kBeat);
    if (low < 0.0f && high > 0.0f)
        draw->AddLine(ImVec2(origin.x, toY(0.0f)), ImVec2(origin.x + width, toY(0.0f)), kBar);
    draw->AddLine(ImVec2(toX(view.playRow), origin.y), ImVec2(toX(view.playRow), origin.y + height), kPlayRow, 2.0f);
    draw->AddLine(ImVec2(toX(editor.cursorRow()), origin.y), ImVec2(toX(editor.cursorRow()), origin.y + height),
                  kCursorRow, 2.0f);

    // Which key the mouse is on, of the tracks shown.
    bool onKey = false;
    size_t keyColumn = 0;
    int32_t keyRow = 0;
    float keyValue = 0.0f;
    for (size_t s = 0; s < shown.size(); ++s) {
        const EditorTrack& track = editor.column(shown[s]);
        const ImU32 colour = kCurveColours[s % 4];
        if (track.track != nullptr && track.track->key_count > 0) {
            ImVec2 previous(origin.x, toY(sync_track_value(track.track, first)));
            for (float x = 2.0f; x <= width; x += 2.0f) {
                const ImVec2 point(origin.x + x, toY(sync_track_value(track.track, first + x * rowsPerPixel)));
                draw->AddLine(previous, point, colour);
                previous = point;
            }
        }
        const double last = first + curveRows_;
        for (size_t k = editor::firstKeyAtOrAfter(track.keys, static_cast<int64_t>(std::ceil(first)));
             k < track.keys.size() && track.keys[k].key.row <= last; ++k) {
            const SyncKey& key = track.keys[k].key;
            const ImVec2 at(toX(key.row), toY(key.value));
            draw->AddRectFilled(ImVec2(at.x - kHandle, at.y - kHandle), ImVec2(at.x + kHandle, at.y + kHandle), colour);
            if (!onKey && hovered && std::fabs(io.MousePos.x - at.x) <= kHandle + 2.0f &&
                std::fabs(io.MousePos.y - at.y) <= kHandle + 2.0f) {
                onKey = true;
                keyColumn = shown[s];
                keyRow = key.row;
                keyValue = key.value;
            }
        }
        draw->AddText(ImVec2(origin.x + 4.0f, origin.y + 2.0f + static_cast<float>(s) * ImGui::GetTextLineHeight()),
                      colour, track.name.c_str());
    }
    char range[64];
    std::snprintf(range, sizeof range, "%.3g .. %.3g", static_cast<double>(low), static_cast<double>(high));
    draw->AddText(ImVec2(origin.x + width - 110.0f, origin.y + 2.0f), kFaint, range);
    draw->PopClipRect();

    // Dragging a key: along rows and values, Shift: values only.
    if (onKey && ImGui::IsMouseClicked(0)) {
        dragging_ = true;
        dragColumn_ = keyColumn;
        dragRow_ = keyRow;
        dragValue_ = keyValue;
        dragLow_ = low;
        dragHigh_ = high;
        ++gesture_;
    }
    if (dragging_ && ImGui::IsMouseDown(0) && ImGui::IsMouseDragging(0, 1.0f)) {
        const double row = first + (io.MousePos.x - origin.x) * rowsPerPixel;
        const int32_t toRow = io.KeyShift
                                  ? dragRow_
                                  : static_cast<int32_t>(std::clamp(std::lround(row), 0l, long{editor.lastRow()}));
        const float value = low + (origin.y + height - io.MousePos.y) / height * (high - low);
        editor.dragKey(dragColumn_, dragRow_, toRow, value, gesture_);
    }
    if (dragging_ && !ImGui::IsMouseDown(0))
        dragging_ = false;
}
