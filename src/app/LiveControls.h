// LiveControls: live mode's keys and mouse. The timeline keys move the
// music (Home, PageUp / PageDown to the scene track's changes, "," and "."
// a beat back or forward, "[", "]" and "\" for the loop), each saying what
// it did as a console line; the loop jumps back at the start of a frame; the
// demo's end holds its last row; the mouse is the one shaders read.
//
// Main thread, inside the toolkit's callbacks. The run (AppState) and the
// console outlive it; it owns the loop range and the shaders' mouse.
#pragma once

#include <string>

#include "app/LiveConsole.h"
#include "app/LiveTimeline.h"
#include "app/ShaderMouse.h"

struct AppState;

class LiveControls {
public:
    // The controls of `run`, saying what they do as lines of `console`.
    LiveControls(AppState& run, LiveConsole& console) : run_(run), console_(console) {}

    // Start of a frame, after the reloads: jumps back to the loop's start at its end.
    void beginFrame();

    // The frame's row has reached the demo's end at `endRow`: instead of
    // ending, the demo holds its last row, paused, until a key moves on (Esc
    // quits). Does nothing while paused.
    void holdAtEnd(double endRow);

    // The timeline keys; false for a key they do not use.
    bool onKey(unsigned char key);
    bool onSpecialKey(int key);

    // The toolkit's mouse button and motion events (window coordinates from the top left).
    void onMouseButton(int button, int state, int x, int y);
    void onMouseMotion(int x, int y);
    // The mouse for the frame about to be drawn (see ShaderMouse).
    void mouseValues(float mouse[4], float pointer[2]) { mouse_.frameValues(mouse, pointer); }

    const LoopRange& loop() const { return loop_; }

private:
    double currentRow() const;
    // Moves the music to `row`; a console line "WHAT row N" unless `what` is "".
    void seekToRow(double row, const std::string& what);

    AppState& run_;
    LiveConsole& console_;
    LoopRange loop_;
    ShaderMouse mouse_;
};
