// Input events queued for the panel, a frame's worth at a time. Main thread.
#include "editor/InputQueue.h"

#include <algorithm>
#include <utility>

namespace {

// What a press or a release is of: a button or a key, kept apart by kind.
std::pair<int, int> subject(const InputEvent& event)
{
    switch (event.kind) {
    case InputEvent::MouseButton:
        return {0, event.code};
    case InputEvent::Key:
    case InputEvent::KeyUp:
        return {1, event.code};
    case InputEvent::Special:
    case InputEvent::SpecialUp:
        return {2, event.code};
    default:
        return {-1, 0};
    }
}

bool isRelease(const InputEvent& event)
{
    return (event.kind == InputEvent::MouseButton && event.state != 0) || event.kind == InputEvent::KeyUp ||
           event.kind == InputEvent::SpecialUp;
}

} // namespace

std::vector<InputEvent> InputQueue::takeFrame()
{
    std::vector<InputEvent> frame;
    std::vector<std::pair<int, int>> pressed;
    while (!events_.empty()) {
        const InputEvent& event = events_.front();
        const std::pair<int, int> of = subject(event);
        if (of.first >= 0) {
            if (isRelease(event)) {
                if (std::find(pressed.begin(), pressed.end(), of) != pressed.end())
                    break; // released in the next frame
            } else {
                pressed.push_back(of);
            }
        }
        frame.push_back(event);
        events_.pop_front();
    }
    return frame;
}
