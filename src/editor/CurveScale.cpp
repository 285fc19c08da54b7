// The curve view's ranges, steps and rounding. Main thread.
#include "editor/CurveScale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "sync/track.h"

namespace {

// `range` with a tenth of its span around it; a flat range grows by 1 either way.
ValueRange padded(float low, float high)
{
    const float margin = high > low ? (high - low) * 0.1f : 1.0f;
    return {low - margin, high + margin};
}

} // namespace

ValueRange curveValueRange(const std::vector<const SyncTrack*>& tracks, double first, double rows, int samples)
{
    float low = 0.0f, high = 0.0f;
    bool any = false;
    auto take = [&](float v) {
        if (!std::isfinite(v))
            return;
        low = any ? std::min(low, v) : v;
        high = any ? std::max(high, v) : v;
        any = true;
    };
    const int points = std::max(samples, 2);
    for (const SyncTrack* track : tracks) {
        if (track == nullptr || track->key_count == 0)
            continue;
        for (int i = 0; i < points; ++i)
            take(sync_track_value(track, first + rows * i / (points - 1)));
        for (int32_t k = 0; k < track->key_count; ++k)
            if (track->keys[k].row >= first && track->keys[k].row <= first + rows)
                take(track->keys[k].value);
    }
    if (!any)
        return {0.0f, 1.0f};
    return padded(low, high);
}

bool curveFrameKeys(const std::vector<const std::vector<EditorKey>*>& tracks, double& firstRow, double& rows,
                    ValueRange& values)
{
    bool any = false;
    double lowRow = 0.0, highRow = 0.0;
    float low = 0.0f, high = 0.0f;
    for (const std::vector<EditorKey>* keys : tracks)
        for (const EditorKey& key : *keys) {
            if (!std::isfinite(key.key.value))
                continue;
            lowRow = any ? std::min<double>(lowRow, key.key.row) : key.key.row;
            highRow = any ? std::max<double>(highRow, key.key.row) : key.key.row;
            low = any ? std::min(low, key.key.value) : key.key.value;
            high = any ? std::max(high, key.key.value) : key.key.value;
            any = true;
        }
    if (!any)
        return false;
    const double span = std::max(8.0, highRow - lowRow);
    firstRow = lowRow - span * 0.05;
    rows = span * 1.1;
    values = padded(low, high);
    return true;
}

double curveStep(double span, int most)
{
    if (!(span > 0.0) || !std::isfinite(span) || most < 1)
        return 0.0;
    const double raw = span / most;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw)
            return m * power;
    return 10.0 * power;
}

float curveSnap(float value, double step)
{
    if (!(step > 0.0))
        return value;
    const double snapped = std::round(value / step) * step;
    // Through the text, so that 3 x 0.1 is written 0.3.
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", snapped);
    return std::strtof(text, nullptr);
}

float curveRound(float value)
{
    if (!std::isfinite(value) || value == 0.0f)
        return value;
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", static_cast<double>(value));
    return std::strtof(text, nullptr);
}
