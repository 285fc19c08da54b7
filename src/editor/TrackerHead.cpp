// The tracker's column heads (see TrackerHead.h). Main thread.
#include "editor/TrackerHead.h"

TrackerHead trackerHead(const EditorTrack& track, bool ticked, const Recorder* recorder)
{
    const bool armed = recorder != nullptr && recorder->armed(track.name);
    const bool learning = recorder != nullptr && recorder->learning() == track.name;
    TrackerHead head;
    head.text = std::string(learning ? "L "
                            : armed  ? "R "
                                     : "") +
                (ticked ? "~" : "") + track.name + (track.unsaved ? "*" : "");
    head.red = armed || !track.readOnlyError.empty() || !track.saveProblem.empty();
    head.tip = track.name;
    if (armed) {
        const std::string controller = recorder->controllerOf(track.name);
        head.tip += learning ? " (learning: move a MIDI controller)"
                             : " (armed" + (controller.empty() ? std::string() : ", MIDI " + controller) + ")";
    }
    if (!track.readOnlyError.empty())
        head.tip += ": read-only, " + track.readOnlyError;
    else if (!track.saveProblem.empty())
        head.tip += ": " + track.saveProblem;
    else if (track.unsaved)
        head.tip += ": edits not yet written";
    return head;
}
