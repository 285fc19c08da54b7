// MIDI input in a build without a MIDI system: it says so and delivers nothing. Main thread.
#include "platform/LiveInput.h"

struct MidiInput::State {};

MidiInput::MidiInput() : state_(std::make_unique<State>()) {}
MidiInput::~MidiInput() = default;

bool MidiInput::open(const std::string&, std::string& problem)
{
    problem = "MIDI input is not in this build";
    return false;
}

void MidiInput::poll(std::vector<MidiControl>& controls)
{
    controls.clear();
}

std::string MidiInput::address() const
{
    return "";
}
