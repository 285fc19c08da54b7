// Live input for the track editor's recording: control changes from MIDI
// controllers (through the ALSA sequencer on Linux) and OSC messages over
// UDP ("/track/NAME" with one number). Both are polled by the main thread
// once a frame: nothing here runs a thread or calls back. A build or a
// machine without one of them gets an input that says why in `problem` and
// delivers nothing.
//
// Main thread. Each input owns its sequencer client or socket.
#pragma once

#include <memory>
#include <string>
#include <vector>

// A MIDI control change.
struct MidiControl {
    int channel = 0;    // 0..15
    int controller = 0; // 0..127
    float value = 0.0f; // the controller's 0..127 as 0..1
};

class MidiInput {
public:
    MidiInput();
    ~MidiInput();
    MidiInput(const MidiInput&) = delete;
    MidiInput& operator=(const MidiInput&) = delete;

    // Opens a sequencer port called `name` that every controller present is
    // connected to (others can be connected to it later). False with `problem`
    // when there is no MIDI system (no /dev/snd/seq, or none in this build).
    bool open(const std::string& name, std::string& problem);
    // The control changes that came in since the last call, oldest first.
    void poll(std::vector<MidiControl>& controls);
    // The sequencer address of the port ("128:0"), for connecting to it; "" when closed.
    std::string address() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// An OSC message for a track.
struct OscValue {
    std::string track; // NAME of "/track/NAME"
    float value = 0.0f;
};

class OscInput {
public:
    OscInput();
    ~OscInput();
    OscInput(const OscInput&) = delete;
    OscInput& operator=(const OscInput&) = delete;

    // Listens on UDP `port` ("0": any free port). False with `problem` when
    // it cannot (the port taken, or no OSC in this build).
    bool open(int port, std::string& problem);
    // The messages /track/NAME with one number (float, int or double) that
    // came in since the last call, oldest first; other messages are dropped.
    void poll(std::vector<OscValue>& values);
    // The port listened on; 0 when closed.
    int port() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
