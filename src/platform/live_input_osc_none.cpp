// OSC input in a build without liblo: it says so and delivers nothing. Main thread.
#include "platform/LiveInput.h"

struct OscInput::State {};

OscInput::OscInput() : state_(std::make_unique<State>()) {}
OscInput::~OscInput() = default;

bool OscInput::open(int, std::string& problem)
{
    problem = "OSC input is not in this build";
    return false;
}

void OscInput::poll(std::vector<OscValue>& values)
{
    values.clear();
}

int OscInput::port() const
{
    return 0;
}
