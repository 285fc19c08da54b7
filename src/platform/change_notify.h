// Change notification for the files of a demo: the part of the platform
// contract that live mode watches files through.
//
// Where the system offers notification (inotify on Linux), a watch reports
// the names of files created, written and closed, renamed into place, deleted
// or touched in the folders it watches, without polling. Elsewhere
// platform_watch_open returns nullptr and the caller polls (FileWatcher does
// both). One thread at a time per watch; the caller owns it and closes it.
#pragma once

#include <string>
#include <vector>

struct PlatformWatch;

// A new watch, or nullptr where the system has no notification (or it is
// out of resources); the caller then falls back to polling.
PlatformWatch* platform_watch_open();

// Watches the folder `directory` ("" or "." for the current one). False
// when it cannot be watched.
bool platform_watch_directory(PlatformWatch* watch, const std::string& directory);

// Appends to `paths` the path (folder as given, "/" and the name) of every
// entry that changed since the last call; never waits. An entry may appear
// more than once. Returns false when events were lost (the queue overflowed):
// the caller should then look at every file itself.
bool platform_watch_read(PlatformWatch* watch, std::vector<std::string>& paths);

// Stops watching and frees the watch. Accepts nullptr.
void platform_watch_close(PlatformWatch* watch);
