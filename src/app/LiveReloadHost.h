// What live mode's reloads ask of the run around the loaded demo: the
// window's title, the tune's length, and the track editor, which reads the
// tracks that are its columns itself. LiveMode answers for a run with a
// window; a test answers with plain values.
//
// Main thread, during a reload.
#pragma once

#include <string>

class LiveReloadHost {
public:
    virtual ~LiveReloadHost() = default;

    // A reloaded description's name, for the window's title.
    virtual void setTitle(const std::string& name) = 0;

    // The tune's length in seconds; 0 without music.
    virtual double tuneSeconds() const = 0;

    // Whether the track editor is the source of track `name`'s keys (the
    // track is one of its columns).
    virtual bool editorOwnsTrack(const std::string& /*name*/) const { return false; }

    // A saved file that may be one of the track editor's track files: true
    // when the editor has read it itself.
    virtual bool editorTookTrackFile(const std::string& /*path*/) { return false; }
};
