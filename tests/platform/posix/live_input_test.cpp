// The track editor's live inputs on this machine: OSC messages sent over
// UDP to 127.0.0.1 arrive as track values, and MIDI control changes sent
// through a sequencer port arrive as controls (skipped, with the reason,
// where the machine has no MIDI sequencer).
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <lo/lo.h>
#include <sys/stat.h>

#include "platform/LiveInput.h"

namespace {

// Polls `poll` until it has delivered `count` items or two seconds passed.
template <typename Item, typename Poll> std::vector<Item> collect(size_t count, Poll poll)
{
    std::vector<Item> all, some;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (all.size() < count && std::chrono::steady_clock::now() < deadline) {
        poll(some);
        all.insert(all.end(), some.begin(), some.end());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return all;
}

} // namespace

TEST(OscInput, TrackMessagesOverUdpArriveInOrderAndOthersAreDropped)
{
    OscInput input;
    std::string problem;
    ASSERT_TRUE(input.open(0, problem)) << problem;
    ASSERT_GT(input.port(), 0);
    const lo_address to = lo_address_new("127.0.0.1", std::to_string(input.port()).c_str());
    lo_send(to, "/track/zoom", "f", 0.25f);
    lo_send(to, "/other/zoom", "f", 9.0f);
    lo_send(to, "/track/zoom", "ff", 1.0f, 2.0f); // one number only
    lo_send(to, "/track/", "f", 3.0f);            // no name
    lo_send(to, "/track/speed", "i", 3);
    lo_send(to, "/track/zoom", "s", "loud");
    lo_send(to, "/track/zoom", "d", 0.5);
    lo_address_free(to);
    const std::vector<OscValue> values = collect<OscValue>(3, [&](std::vector<OscValue>& v) { input.poll(v); });
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].track, "zoom");
    EXPECT_FLOAT_EQ(values[0].value, 0.25f);
    EXPECT_EQ(values[1].track, "speed");
    EXPECT_FLOAT_EQ(values[1].value, 3.0f);
    EXPECT_FLOAT_EQ(values[2].value, 0.5f);

    // A port already taken is one clear refusal.
    OscInput second;
    EXPECT_FALSE(second.open(input.port(), problem));
    EXPECT_NE(problem.find(std::to_string(input.port())), std::string::npos) << problem;
}

TEST(MidiInput, ControlChangesFromAVirtualPortArrive)
{
    struct stat device;
    if (stat("/dev/snd/seq", &device) != 0) {
        MidiInput input;
        std::string problem;
        EXPECT_FALSE(input.open("test", problem));
        EXPECT_NE(problem.find("/dev/snd/seq"), std::string::npos) << problem;
        GTEST_SKIP() << "this machine has no MIDI sequencer (no /dev/snd/seq): only its refusal was checked";
    }
    MidiInput input;
    std::string problem;
    ASSERT_TRUE(input.open("demoplayer test", problem)) << problem;
    const std::string address = input.address();
    ASSERT_NE(address, "");

    snd_seq_t* sender = nullptr;
    ASSERT_GE(snd_seq_open(&sender, "default", SND_SEQ_OPEN_OUTPUT, 0), 0);
    const int port = snd_seq_create_simple_port(sender, "fader", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                                SND_SEQ_PORT_TYPE_MIDI_GENERIC);
    snd_seq_addr_t to{};
    ASSERT_GE(snd_seq_parse_address(sender, &to, address.c_str()), 0);
    ASSERT_GE(snd_seq_connect_to(sender, port, to.client, to.port), 0);
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_source(&event, port);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    snd_seq_ev_set_controller(&event, 2, 7, 127);
    snd_seq_event_output_direct(sender, &event);
    const std::vector<MidiControl> controls = collect<MidiControl>(1,
                                                                   [&](std::vector<MidiControl>& c) { input.poll(c); });
    snd_seq_close(sender);
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_EQ(controls[0].channel, 2);
    EXPECT_EQ(controls[0].controller, 7);
    EXPECT_FLOAT_EQ(controls[0].value, 1.0f);
}
