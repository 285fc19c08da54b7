// Recording live input into tracks: armed columns take the values that
// live sources send (a MIDI controller mapped to a track by "learn", an OSC
// message for a track by name, a value tapped on the keyboard) as keys at
// the rows being played, at most one key per row and only where the value
// changed, with the interpolation of the column's key before it. One take
// (a stretch of playing) is one step of the editor's history.
//
// The sources are polled by the caller and handed in; nothing here knows
// MIDI or OSC. Main thread.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "editor/TrackEditor.h"

class Recorder {
public:
    // Arms track `name` (or disarms it); true when it is armed now.
    bool toggleArm(const std::string& name);
    bool armed(const std::string& name) const { return armed_.count(name) > 0; }
    bool anyArmed() const { return !armed_.empty(); }

    // The next MIDI control change maps its controller to track `name`,
    // which is armed ("" stops learning).
    void learn(const std::string& name);
    const std::string& learning() const { return learning_; }
    // The controller mapped to `name` as "channel 1 controller 7"; "" for none.
    std::string controllerOf(const std::string& name) const;

    // Values from the sources (value: the controller's 0..1).
    void control(int channel, int controller, float value);
    void value(const std::string& name, float value);
    // A value tapped on the keyboard, for every armed track.
    void tap(float value);

    // Once a frame: while `playing`, writes the newest value each armed
    // track was given since the last frame at `row`. True when a key was written.
    bool frame(TrackEditor& editor, int64_t row, bool playing);

private:
    std::set<std::string> armed_;
    std::string learning_;
    std::map<std::pair<int, int>, std::string> controllers_; // (channel, controller) -> track
    std::map<std::string, float> pending_;                   // the newest value not yet written
    std::map<std::string, float> written_;                   // the last value written in this take
    uint64_t take_ = 0;
    bool inTake_ = false;
};
