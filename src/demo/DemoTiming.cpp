// Reading the demo's length and tempo (see DemoTiming.h). Pure; main thread.
#include "demo/DemoTiming.h"

#include <cmath>
#include <filesystem>

namespace {

using nlohmann::json;

// The positive, finite number at `key`, if the key is there. False with a
// message naming the key when its value is anything else.
bool readPositive(const json& document, const char* key, double& value, bool& present, std::string& error)
{
    const auto found = document.find(key);
    present = found != document.end() && !found->is_null();
    if (!present)
        return true;
    if (found->is_number()) {
        value = found->get<double>();
        if (std::isfinite(value) && value > 0.0)
            return true;
    }
    const bool isEndRow = std::string(key) == "end_row";
    error = std::string("\"") + key + "\" must be a number above 0" + (isEndRow ? " or \"tune\"" : "") + ", not " +
            found->dump();
    return false;
}

// The music's file at "tune", if the key is there: a relative path that
// stays inside the demo's folder, as a release packs it.
bool readTuneFile(const json& document, std::string& tuneFile, std::string& error)
{
    const auto found = document.find("tune");
    if (found == document.end() || found->is_null())
        return true;
    if (found->is_string()) {
        const std::string name = found->get<std::string>();
        const std::filesystem::path path = std::filesystem::path(name).lexically_normal();
        const bool inside = !name.empty() && !path.has_root_path() && !path.empty() && *path.begin() != ".." &&
                            path.has_filename();
        if (inside) {
            tuneFile = name;
            return true;
        }
    }
    error = "\"tune\" must name the music's file inside the demo's folder (\"music/tune.flac\"), not " + found->dump();
    return false;
}

} // namespace

bool demo::readDemoTiming(const json& document, DemoTiming& timing, std::string& error)
{
    timing = DemoTiming();
    if (!document.is_object())
        return true;
    bool hasEndRow = false, hasRowsPerSecond = false, hasBpm = false, hasRowsPerBeat = false;
    double endRow = 0.0, rowsPerSecond = 0.0, bpm = 0.0, rowsPerBeat = 0.0;
    const auto endRowValue = document.find("end_row");
    const bool endsWithTune = endRowValue != document.end() && *endRowValue == "tune";
    if ((!endsWithTune && !readPositive(document, "end_row", endRow, hasEndRow, error)) ||
        !readPositive(document, "rows_per_second", rowsPerSecond, hasRowsPerSecond, error) ||
        !readPositive(document, "bpm", bpm, hasBpm, error) ||
        !readPositive(document, "rows_per_beat", rowsPerBeat, hasRowsPerBeat, error) ||
        !readTuneFile(document, timing.tuneFile, error))
        return false;

    if (hasRowsPerSecond && (hasBpm || hasRowsPerBeat)) {
        error = "give the tempo either as \"rows_per_second\" or as \"bpm\" with \"rows_per_beat\", not both";
        return false;
    }
    if (hasBpm != hasRowsPerBeat) {
        error = hasBpm ? "\"bpm\" needs \"rows_per_beat\" beside it (rows per second = bpm x rows_per_beat / 60)"
                       : "\"rows_per_beat\" needs \"bpm\" beside it (rows per second = bpm x rows_per_beat / 60)";
        return false;
    }
    if (hasEndRow)
        timing.endRow = endRow;
    timing.endsWithTune = endsWithTune;
    if (hasRowsPerSecond)
        timing.rowsPerSecond = rowsPerSecond;
    if (hasBpm) {
        timing.beatsPerMinute = bpm;
        timing.rowsPerBeat = rowsPerBeat;
        timing.rowsPerSecond = bpm * rowsPerBeat / 60.0;
    }
    return true;
}
