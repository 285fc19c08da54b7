// The tracker view's layout and hit-testing. Main thread.
#include "editor/TrackerLayout.h"

#include <algorithm>
#include <cmath>

namespace {

// Half the width of a column head's edge that can be dragged, in pixels.
constexpr float kEdgeGrip = 3.0f;

} // namespace

float TrackerLayout::columnX(size_t index) const
{
    float at = tracksX();
    for (size_t i = 0; i < index && i < widths.size(); ++i)
        at += widths[i];
    return at;
}

TrackerHit trackerHitTest(const TrackerLayout& layout, float px, float py)
{
    TrackerHit hit;
    if (px < layout.x || py < layout.y || layout.rowHeight <= 0.0f)
        return hit;
    const bool inHead = py < layout.rowsY();
    const int line = static_cast<int>(std::floor((py - layout.rowsY()) / layout.rowHeight));
    if (!inHead && line >= layout.lines)
        return hit;
    hit.row = inHead ? 0 : layout.lineRow(line);
    if (px < layout.x + layout.rowNumberWidth) {
        hit.part = inHead ? TrackerPart::None : TrackerPart::RowNumber;
        return hit;
    }
    if (px < layout.tracksX()) {
        hit.part = inHead ? TrackerPart::None : TrackerPart::Strip;
        return hit;
    }
    float left = layout.tracksX();
    for (size_t i = 0; i < layout.widths.size() && i < layout.columns.size(); ++i) {
        const float right = left + layout.widths[i];
        if (inHead && std::fabs(px - right) <= kEdgeGrip) {
            hit.part = TrackerPart::HeadEdge;
            hit.column = layout.columns[i];
            return hit;
        }
        if (px < right) {
            hit.part = inHead ? TrackerPart::Head : TrackerPart::Cell;
            hit.column = layout.columns[i];
            return hit;
        }
        left = right;
    }
    return hit;
}

int64_t trackerFirstRow(int64_t cursorRow, int lines, int rowsPerLine, int64_t scrollLines)
{
    const int64_t step = std::max(1, rowsPerLine);
    const int64_t cursorLine = (cursorRow >= 0 ? cursorRow : cursorRow - step + 1) / step;
    return (cursorLine - lines / 2 + scrollLines) * step;
}

float trackerColumnWidth(float nameWidth, float valueWidth, float dragged, float least, float most)
{
    if (dragged > 0.0f)
        return std::clamp(dragged, least, most);
    return std::clamp(std::max(nameWidth, valueWidth), least, most);
}

int trackerZoom(int rowsPerLine, bool in)
{
    const int zoomed = in ? rowsPerLine / 2 : rowsPerLine * 2;
    return std::clamp(zoomed, 1, 8);
}

size_t trackerFitColumns(const std::vector<float>& widths, size_t cursorAt, size_t firstColumn, float room,
                         size_t& count)
{
    firstColumn = std::min(firstColumn, cursorAt);
    for (;;) {
        float used = 0.0f;
        for (size_t i = firstColumn; i <= cursorAt && i < widths.size(); ++i)
            used += widths[i];
        if (used <= room || firstColumn >= cursorAt)
            break;
        ++firstColumn;
    }
    count = 0;
    float used = 0.0f;
    for (size_t i = firstColumn; i < widths.size(); ++i) {
        if (used + widths[i] > room && count > 0)
            break;
        used += widths[i];
        ++count;
    }
    return firstColumn;
}
