// ReloadProblems: what live mode shows over the picture until it is mended,
// one problem per key (a file, or "vertex, fragment" for a shader entry),
// each with its message (one reason per line). A problem stays until its
// file builds or loads again.
//
// Main thread. A plain value.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ReloadProblem {
    std::string key;     // what failed: a file, or "vertex, fragment" of an entry
    std::string message; // one reason per line
};

class ReloadProblems {
public:
    // The problem of `key` is now `message`. True when no problem said that
    // message already: a file shared by several entries fails all of them
    // alike, and the console says it once.
    bool set(const std::string& key, const std::string& message);

    // The problem of `key` is mended.
    void clear(const std::string& key);

    // Mends every problem whose key `matches`.
    void clearWhere(const std::function<bool(const std::string& key)>& matches);

    // In the order they first failed.
    const std::vector<ReloadProblem>& all() const { return problems_; }

    // The messages to show, each once however many keys have it, in that order.
    std::vector<std::string> distinctMessages() const;

private:
    std::vector<ReloadProblem> problems_;
};
