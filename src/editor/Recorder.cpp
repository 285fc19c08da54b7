// Recording live input into the track editor's columns. Main thread.
#include "editor/Recorder.h"

#include <cstring>

bool Recorder::toggleArm(const std::string& name)
{
    if (armed_.erase(name) > 0)
        return false;
    armed_.insert(name);
    return true;
}

void Recorder::learn(const std::string& name)
{
    learning_ = name;
    if (!name.empty())
        armed_.insert(name);
}

std::string Recorder::controllerOf(const std::string& name) const
{
    for (const auto& mapped : controllers_)
        if (mapped.second == name)
            return "channel " + std::to_string(mapped.first.first + 1) + " controller " +
                   std::to_string(mapped.first.second);
    return "";
}

void Recorder::control(int channel, int controller, float value)
{
    const std::pair<int, int> key(channel, controller);
    if (!learning_.empty()) {
        // One controller per track: an earlier mapping of this track goes.
        for (auto i = controllers_.begin(); i != controllers_.end();)
            i = i->second == learning_ ? controllers_.erase(i) : std::next(i);
        controllers_[key] = learning_;
        learning_.clear();
    }
    const auto mapped = controllers_.find(key);
    if (mapped != controllers_.end())
        this->value(mapped->second, value);
}

void Recorder::value(const std::string& name, float value)
{
    if (armed(name))
        pending_[name] = value;
}

void Recorder::tap(float value)
{
    for (const std::string& name : armed_)
        pending_[name] = value;
}

bool Recorder::frame(TrackEditor& editor, int64_t row, bool playing)
{
    if (!playing) {
        inTake_ = false;
        pending_.clear();
        return false;
    }
    if (!inTake_) {
        ++take_;
        inTake_ = true;
        written_.clear();
    }
    bool wrote = false;
    for (const auto& item : pending_) {
        const long long column = editor.findColumn(item.first);
        if (column < 0 || row < 0 || row > INT32_MAX)
            continue;
        const auto last = written_.find(item.first);
        if (last != written_.end() && std::memcmp(&last->second, &item.second, sizeof item.second) == 0)
            continue; // only where the value changed
        if (editor.recordKey(static_cast<size_t>(column), static_cast<int32_t>(row), item.second, take_)) {
            written_[item.first] = item.second;
            wrote = true;
        }
    }
    pending_.clear();
    return wrote;
}
