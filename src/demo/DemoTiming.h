// The demo's length and tempo, from the optional keys of "demo.json":
//   "end_row"          the demo ends when the row reaches it (default 1565);
//                      "tune" ends it with the music, whatever its length
//   "rows_per_second"  rows per second of music (default 20), or instead
//   "bpm" with "rows_per_beat": rows per second = bpm x rows_per_beat / 60.
//   "tune"             the music's file, the demo's clock (default "tune.ogg"),
//                      relative to the demo's folder: Ogg Vorbis, Ogg Opus,
//                      FLAC, WAV or MP3.
// A description without these keys plays as it always has: 20 rows per
// second, ending at row 1565 (78.25 s). Pure; main thread.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "demo/DemoFiles.h"

// Without the keys: 20 rows a second, the end at row 1565.
inline constexpr double kDefaultEndRow = 1565.0;
inline constexpr double kDefaultRowsPerSecond = 20.0;

struct DemoTiming {
    double endRow = kDefaultEndRow;               // the row at which the demo is over
    double rowsPerSecond = kDefaultRowsPerSecond; // rows per second of music
    double beatsPerMinute = 0.0;                  // the tempo when "bpm" was given; 0 when it was not
    double rowsPerBeat = 0.0;                     // rows per beat with "bpm"; 0 without
    bool endsWithTune = false;                    // "end_row": "tune": endRow follows the tune's length
    std::string tuneFile = demo::kTuneFile;       // the music's file, relative to the demo's folder

    // With "end_row": "tune", sets endRow to the row at which a tune of
    // `tuneSeconds` ends; without a tune (0) endRow keeps its default.
    void fitToTune(double tuneSeconds)
    {
        if (endsWithTune && tuneSeconds > 0.0)
            endRow = tuneSeconds * rowsPerSecond;
    }

    // Seconds of music per beat: 60 / bpm, or 1 when the demo gave no tempo.
    double secondsPerBeat() const { return beatsPerMinute > 0.0 ? 60.0 / beatsPerMinute : 1.0; }
};

namespace demo {

// Reads the timing keys of `document` (a JSON object; other values give the
// defaults). Returns false for a key of the wrong type, a value that is not
// a finite number above 0, a tempo given both ways, or a "tune" that is not
// the name of a file in the demo's folder; `error` then names the key and says
// what is expected, e.g. "bpm" must be a number above 0, not "fast".
bool readDemoTiming(const nlohmann::json& document, DemoTiming& timing, std::string& error);

} // namespace demo
