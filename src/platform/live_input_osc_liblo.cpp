// OSC input through liblo: a non-blocking server polled once a frame. Main thread.
#include "platform/LiveInput.h"

#include <cstring>

#include <lo/lo.h>

struct OscInput::State {
    lo_server server = nullptr;
    std::vector<OscValue> received;
    std::string error;
};

namespace {

constexpr const char* kPrefix = "/track/";

int onMessage(const char* path, const char* types, lo_arg** argv, int argc, lo_message, void* user)
{
    auto* received = static_cast<std::vector<OscValue>*>(user);
    const size_t prefix = std::strlen(kPrefix);
    if (argc != 1 || std::strncmp(path, kPrefix, prefix) != 0 || path[prefix] == '\0')
        return 1;
    float value = 0.0f;
    switch (types[0]) {
    case 'f':
        value = argv[0]->f;
        break;
    case 'i':
        value = static_cast<float>(argv[0]->i);
        break;
    case 'd':
        value = static_cast<float>(argv[0]->d);
        break;
    default:
        return 1;
    }
    received->push_back({path + prefix, value});
    return 0;
}

// liblo reports a failed bind through this (with no way to pass a context): kept for open().
thread_local std::string lastError;

void onError(int number, const char* message, const char* where)
{
    lastError = std::string(message ? message : "error") + (where ? std::string(" (") + where + ")" : "") + " [" +
                std::to_string(number) + "]";
}

} // namespace

OscInput::OscInput() : state_(std::make_unique<State>()) {}

OscInput::~OscInput()
{
    if (state_->server != nullptr)
        lo_server_free(state_->server);
}

bool OscInput::open(int port, std::string& problem)
{
    lastError.clear();
    const std::string service = port > 0 ? std::to_string(port) : std::string();
    state_->server = lo_server_new_with_proto(service.empty() ? nullptr : service.c_str(), LO_UDP, onError);
    if (state_->server == nullptr) {
        problem = "cannot listen for OSC on UDP port " + std::to_string(port) + ": " +
                  (lastError.empty() ? "refused" : lastError);
        return false;
    }
    lo_server_add_method(state_->server, nullptr, nullptr, onMessage, &state_->received);
    return true;
}

void OscInput::poll(std::vector<OscValue>& values)
{
    values.clear();
    if (state_->server == nullptr)
        return;
    while (lo_server_recv_noblock(state_->server, 0) > 0) {
    }
    values.swap(state_->received);
}

int OscInput::port() const
{
    return state_->server != nullptr ? lo_server_get_port(state_->server) : 0;
}
