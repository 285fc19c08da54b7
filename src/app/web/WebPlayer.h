// WebPlayer: the demo played in a browser page. It loads the demo from the
// page's in-memory files (the working folder), plays its music through Web
// Audio as the clock, and draws one frame at a time as the page's main loop
// asks, with the same frame as the native player: the tracks choose the
// scene and its parameters, the pass chain and the final pass draw it.
//
// What differs from the native player is what a page does: the music starts
// at the person's first click or key (browsers start sound only then), the
// end row holds the last frame instead of closing anything, and there is no
// console report, alarm, live mode or editor.
//
// Main thread (the browser's), WebGL 2 context current. One instance, made
// by the page's entry point; it owns the loaded demo and the music.
#pragma once

#include <cstdint>
#include <iostream>
#include <string>

#include "app/LoadedDemo.h"
#include "app/PassInputsSource.h"
#include "render/KeyboardTexture.h"
#include "timeline/MusicStream.h"

// How the page was opened: its query (?row=N&paused, ?play).
struct WebStart {
    bool hasRow = false; // start at `row` instead of row 0
    double row = 0.0;
    bool paused = false; // hold there, without waiting for a click
    bool play = false;   // play at once, without waiting for a click (where the
                         // browser allows sound without one: kiosks, tests)
};

class WebPlayer {
public:
    // Loads the demo in the working folder, builds its shaders and opens its
    // music. False when the demo cannot be shown; failure() then says why,
    // in one line naming the file (and line, for a shader).
    bool load(const WebStart& start);

    // The first line of what stopped the demo ("" while it plays).
    const std::string& failure() const { return failure_; }
    // The demo's name from its description.
    const std::string& name() const { return name_; }
    // Width over height of the picture the demo was made for: its release
    // size, else 16:9.
    double aspect() const;

    // Draws the frame of this moment into the canvas's framebuffer of
    // `width` x `height` pixels. Returns the row shown.
    int drawFrame(int width, int height);

    // The person's first click or key: the music starts, unless the page
    // was opened paused. Later calls do nothing.
    void begin();
    // True once begin() has run or the page was opened paused.
    bool begun() const { return begun_; }

    // The keys of the player: space pauses and resumes, a and d seek a step
    // back and forth. `key` is the browser's key name (" ", "a", ...).
    // True when the key was the player's.
    bool onKey(const std::string& key);
    // Any other key, by its JavaScript key code, going down or up: the
    // shaders' keyboard channel (KeyboardTexture.h).
    void onChannelKey(int keyCode, bool down);

private:
    ConsoleSink console_{std::cout, std::cerr}; // the browser's console
    LoadedDemo loaded_{console_};
    MusicStream music_;
    PassInputsSource passInputs_;
    KeyboardTexture keyboard_; // the keys the player does not take
    std::string name_;
    std::string failure_;
    bool begun_ = false;
    bool held_ = false; // the end row was reached: the music stopped there
};
