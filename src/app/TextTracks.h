// Text tracks: the readable form of a sync track ("row value type" lines, as
// synctrack reads them) kept in tracks/NAME.txt beside demo.json. In live
// mode such a file is the source of track NAME and is read again whenever it
// is saved; the player otherwise reads only the binary sync_NAME.track files
// and says at start-up when a text file's keys differ from its binary's.
//
// Main thread. The tracks belong to their SyncDevice.
#pragma once

#include <string>
#include <vector>

#include "sync/data.h"

// The folder of the text tracks, relative to the demo's folder.
constexpr const char* kTextTrackFolder = "tracks";

namespace app {

// The names NAME of the files tracks/NAME.txt in the working folder, sorted.
std::vector<std::string> textTrackNames();

// "tracks/NAME.txt".
std::string textTrackPath(const std::string& name);

// Reads the text form at `path` into `track`. On failure the track keeps the
// keys it had and `error` says where and why ("tracks/x.txt:3: rows must
// increase", or "tracks/x.txt: cannot open: ...").
bool loadTextTrack(SyncTrack* track, const std::string& path, std::string& error);

// Makes sync_NAME.track hold the keys `track` has (read from its text
// track, the source in live mode) when it does not, through a temporary
// file and a rename. True when it holds them; `rewritten` says whether it
// had to be written. False with `problem` when it could not be written.
bool keepBinaryInStep(const SyncTrack& track, bool& rewritten, std::string& problem);

// One warning on standard error for each text track whose keys differ from
// those of its binary file (or that has none, or does not parse), naming the
// command that brings it up to date. Compared by content, not by time.
void warnAboutStaleTextTracks();

} // namespace app
