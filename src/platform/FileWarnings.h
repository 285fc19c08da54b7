// Warnings about files that the player examines again and again (shader
// sources, read at every rebuild): each file's problem is reported once when
// it appears or changes, not at every examination, and again only after the
// file was fine in between. Main thread; the owner (AppState) keeps one for
// the whole run.
#pragma once

#include <map>
#include <string>

class ConsoleSink;

class FileWarnings {
public:
    // Writes "file: problem" to `console` unless it is the problem last
    // reported for `file`.
    void report(ConsoleSink& console, const std::string& file, const std::string& problem);

    // `file` was read fine: its next problem is reported again.
    void clear(const std::string& file);

private:
    std::map<std::string, std::string> lastProblems_; // by file name, only files with a problem
};
