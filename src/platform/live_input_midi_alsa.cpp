// MIDI input through the ALSA sequencer: a non-blocking client with one
// writable port, connected at opening to every port that can be read from
// (the controllers present). Main thread.
#include "platform/LiveInput.h"

#include <alsa/asoundlib.h>
#include <sys/stat.h>

struct MidiInput::State {
    snd_seq_t* sequencer = nullptr;
    int port = -1;
};

namespace {

// Connects every readable port of other clients to `port` of `sequencer`.
void connectControllers(snd_seq_t* sequencer, int port)
{
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* info = nullptr;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&info);
    const int self = snd_seq_client_id(sequencer);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(sequencer, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == self || id == SND_SEQ_CLIENT_SYSTEM)
            continue;
        snd_seq_port_info_set_client(info, id);
        snd_seq_port_info_set_port(info, -1);
        while (snd_seq_query_next_port(sequencer, info) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(info);
            if ((caps & SND_SEQ_PORT_CAP_READ) != 0 && (caps & SND_SEQ_PORT_CAP_SUBS_READ) != 0)
                snd_seq_connect_from(sequencer, port, id, snd_seq_port_info_get_port(info));
        }
    }
}

} // namespace

MidiInput::MidiInput() : state_(std::make_unique<State>()) {}

MidiInput::~MidiInput()
{
    if (state_->sequencer != nullptr)
        snd_seq_close(state_->sequencer);
}

bool MidiInput::open(const std::string& name, std::string& problem)
{
    struct stat device;
    // Asked first: without it, the library's own complaint goes to standard error.
    if (stat("/dev/snd/seq", &device) != 0) {
        problem = "no MIDI on this machine (no /dev/snd/seq)";
        return false;
    }
    const int opened = snd_seq_open(&state_->sequencer, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
    if (opened < 0) {
        state_->sequencer = nullptr;
        problem = std::string("cannot open the MIDI sequencer: ") + snd_strerror(opened);
        return false;
    }
    snd_seq_set_client_name(state_->sequencer, name.c_str());
    state_->port = snd_seq_create_simple_port(state_->sequencer, name.c_str(),
                                              SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                              SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (state_->port < 0) {
        problem = std::string("cannot make a MIDI port: ") + snd_strerror(state_->port);
        snd_seq_close(state_->sequencer);
        state_->sequencer = nullptr;
        return false;
    }
    connectControllers(state_->sequencer, state_->port);
    return true;
}

void MidiInput::poll(std::vector<MidiControl>& controls)
{
    controls.clear();
    if (state_->sequencer == nullptr)
        return;
    snd_seq_event_t* event = nullptr;
    while (snd_seq_event_input(state_->sequencer, &event) >= 0 && event != nullptr) {
        if (event->type == SND_SEQ_EVENT_CONTROLLER) {
            MidiControl control;
            control.channel = event->data.control.channel;
            control.controller = static_cast<int>(event->data.control.param);
            control.value = static_cast<float>(event->data.control.value) / 127.0f;
            controls.push_back(control);
        }
        event = nullptr;
    }
}

std::string MidiInput::address() const
{
    if (state_->sequencer == nullptr)
        return "";
    return std::to_string(snd_seq_client_id(state_->sequencer)) + ":" + std::to_string(state_->port);
}
