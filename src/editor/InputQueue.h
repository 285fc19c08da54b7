// The window's input events for the panel's Dear ImGui, queued instead of
// sampled: this Dear ImGui sees a button or key only as held or not at each
// frame, so a press and its release within one frame (a quick click at a
// few frames per second) would never be seen. Each frame takes the events
// up to the release of something pressed in that same frame; the rest wait
// for the next frame, so every press lasts at least one frame.
//
// Main thread; a value type.
#pragma once

#include <deque>
#include <vector>

struct InputEvent {
    enum Kind { MouseButton, MouseMove, Wheel, Key, KeyUp, Special, SpecialUp };
    Kind kind = MouseMove;
    int code = 0;  // the button, key or wheel
    int state = 0; // a button's state (0: down, as the window toolkit says), a wheel's direction
    int x = 0, y = 0;
    int modifiers = 0; // the EditorModifier bits held when it happened
};

class InputQueue {
public:
    void push(const InputEvent& event) { events_.push_back(event); }
    // The events for this frame, oldest first.
    std::vector<InputEvent> takeFrame();
    bool empty() const { return events_.empty(); }

private:
    std::deque<InputEvent> events_;
};
