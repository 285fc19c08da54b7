// The pieces between the decoder thread and the audio callback: the ring's
// generations as the callback plays them, the clock it publishes, the seqlock
// that carries it, and the decoder thread answering a stream of requests.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "OggTestFile.h"
#include "timeline/DecoderThread.h"
#include "timeline/FrameRing.h"
#include "timeline/TuneFile.h"
#include "timeline/RingPlayer.h"
#include "timeline/SeqLock.h"

namespace {

using Clock = std::chrono::steady_clock;
const int kRate = 44100;
const int kDeviceFrames = 1024;
const int kBlock = FrameRing::kBlockFrames;
// Blocks of a newer generation that take over from a device buffer's start.
const int kTakeOverBlocks = (1 + RingPlayer::kTakeOverBuffers) * kDeviceFrames / kBlock;

// Pushes a mono block whose samples all read `level`.
void pushBlock(FrameRing& ring, uint32_t generation, uint64_t firstFrame, int16_t level, bool endOfTune = false)
{
    FrameRing::Block* block = ring.beginPush();
    ASSERT_NE(block, nullptr) << "ring full";
    block->generation = generation;
    block->firstFrame = firstFrame;
    block->frames = endOfTune ? 0 : kBlock;
    block->endOfTune = endOfTune;
    std::fill(block->samples, block->samples + kBlock, level);
    ring.push();
}

std::vector<int16_t> play(RingPlayer& player, int frames, Clock::time_point now, bool playing = true)
{
    std::vector<int16_t> out(static_cast<size_t>(frames), -1);
    player.fill(out.data(), frames, playing, now);
    return out;
}

} // namespace

TEST(RingPlayer, NewerGenerationReplacesQueuedFramesWithACrossfade)
{
    FrameRing ring(16, 1);
    RingPlayer player(ring, kRate, kDeviceFrames);
    const auto t0 = Clock::now();
    for (int i = 0; i < 4; ++i)
        pushBlock(ring, 1, static_cast<uint64_t>(i) * kBlock, 1000);
    std::vector<int16_t> first = play(player, kDeviceFrames, t0);
    EXPECT_EQ(first.front(), 1000);
    EXPECT_EQ(first.back(), 1000);
    EXPECT_EQ(player.heard().generation, 1u);

    // A seek: generation 2 arrives while two blocks of generation 1 still wait.
    for (int i = 0; i < kTakeOverBlocks; ++i)
        pushBlock(ring, 2, 50000 + static_cast<uint64_t>(i) * kBlock, 2000);
    std::vector<int16_t> second = play(player, kDeviceFrames, t0);
    for (int i = 0; i < RingPlayer::kCrossfadeFrames; ++i) {
        ASSERT_GT(second[i], 1000) << "frame " << i << " of the crossfade";
        ASSERT_LT(second[i], 2000) << "frame " << i << " of the crossfade";
        if (i > 0) {
            ASSERT_GE(second[i], second[i - 1]) << "the crossfade turns back at frame " << i;
        }
    }
    for (int i = RingPlayer::kCrossfadeFrames; i < kDeviceFrames; ++i)
        ASSERT_EQ(second[i], 2000) << "frame " << i << " after the crossfade";
    EXPECT_EQ(player.heard().generation, 2u);
    EXPECT_EQ(player.heard().clock.heardFrame(t0), 50000.0) << "stands at the seek target";

    const int rest = kTakeOverBlocks * kBlock - kDeviceFrames;
    std::vector<int16_t> third = play(player, rest, t0);
    EXPECT_EQ(std::count(third.begin(), third.end(), 2000), rest);
    EXPECT_EQ(ring.size(), 0);
    EXPECT_EQ(player.underruns(), 0u);
}

TEST(RingPlayer, ASeekTakesOverOnlyOnceItsFramesCanFeedTheDevice)
{
    FrameRing ring(16, 1);
    RingPlayer player(ring, kRate, kDeviceFrames);
    const auto t0 = Clock::now();
    for (int i = 0; i < 6; ++i)
        pushBlock(ring, 1, static_cast<uint64_t>(i) * kBlock, 1000);
    play(player, kDeviceFrames, t0);

    // The device asks while the decoder has only the seek's first block.
    pushBlock(ring, 2, 50000, 2000);
    std::vector<int16_t> waiting = play(player, kDeviceFrames, t0);
    EXPECT_EQ(std::count(waiting.begin(), waiting.end(), 1000), kDeviceFrames) << "the earlier frames play on";
    EXPECT_EQ(player.heard().generation, 1u);

    for (int i = 1; i < kTakeOverBlocks; ++i)
        pushBlock(ring, 2, 50000 + static_cast<uint64_t>(i) * kBlock, 2000);
    std::vector<int16_t> switched = play(player, kDeviceFrames, t0);
    EXPECT_EQ(switched.back(), 2000);
    EXPECT_EQ(player.heard().generation, 2u);
    EXPECT_EQ(player.heard().clock.heardFrame(t0), 50000.0) << "the seek plays from its first frame";
    EXPECT_EQ(player.underruns(), 0u);
}

TEST(RingPlayer, HeldPlaysSilenceButMakesRoomForTheLatestRequest)
{
    FrameRing ring(8, 1);
    RingPlayer player(ring, kRate, kDeviceFrames);
    const auto t0 = Clock::now();
    for (int i = 0; i < 6; ++i)
        pushBlock(ring, 1, static_cast<uint64_t>(i) * kBlock, 1000);
    std::vector<int16_t> held = play(player, kDeviceFrames, t0, false);
    EXPECT_EQ(std::count(held.begin(), held.end(), 0), kDeviceFrames);
    EXPECT_EQ(ring.size(), 6) << "a held stream keeps its frames";
    EXPECT_EQ(player.heard().generation, 0u) << "nothing heard, nothing published";

    pushBlock(ring, 2, 7000, 2000);
    play(player, kDeviceFrames, t0, false);
    EXPECT_EQ(ring.size(), 1) << "the older request's blocks are dropped while held";

    // Resuming after a hold starts cleanly, without blending in old frames.
    std::vector<int16_t> resumed = play(player, kBlock, t0);
    EXPECT_EQ(std::count(resumed.begin(), resumed.end(), 2000), kBlock);
}

TEST(RingPlayer, EndOfTuneKeepsTheClockGoingButADryRingIsAnUnderrun)
{
    FrameRing ring(8, 1);
    RingPlayer player(ring, kRate, kDeviceFrames);
    auto t = Clock::now();
    pushBlock(ring, 1, 0, 500);
    play(player, kDeviceFrames, t); // half a buffer: the ring ran dry
    EXPECT_EQ(player.underruns(), 1u);

    pushBlock(ring, 2, 90000, 500);
    pushBlock(ring, 2, 90000 + kBlock, 0, true);
    for (int i = 0; i < 4; ++i) {
        t += std::chrono::milliseconds(23);
        play(player, kDeviceFrames, t);
    }
    EXPECT_EQ(player.underruns(), 1u) << "silence after the end is no underrun";
    double heard = player.heard().clock.heardFrame(t + std::chrono::milliseconds(23));
    EXPECT_GT(heard, 90000.0 + kBlock) << "the clock runs on past the end; readers stop it";

    // A seek to the very end while frames wait, then a seek elsewhere: the
    // frames from before the end are not blended into the new ones.
    pushBlock(ring, 3, 0, 700);
    pushBlock(ring, 3, kBlock, 700);
    play(player, kBlock / 2, t);
    pushBlock(ring, 4, 95000, 0, true);
    std::vector<int16_t> atEnd = play(player, kBlock, t);
    EXPECT_EQ(std::count(atEnd.begin(), atEnd.end(), 0), kBlock);
    pushBlock(ring, 5, 1000, 900);
    std::vector<int16_t> after = play(player, kBlock, t);
    EXPECT_EQ(std::count(after.begin(), after.end(), 900), kBlock);
}

TEST(SeqLock, ReadersNeverSeeAHalfWrittenValue)
{
    struct Triple {
        uint64_t a, b, c;
    };
    SeqLock<Triple> shared(Triple{0, ~0ull, 0});
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (uint64_t i = 1; i < 200000; ++i)
            shared.store(Triple{i, ~i, i * 3});
        done = true;
    });
    uint64_t reads = 0, last = 0;
    while (!done || reads == 0) {
        Triple value = shared.load();
        ASSERT_EQ(value.b, ~value.a) << "torn read";
        ASSERT_EQ(value.c, value.a * 3) << "torn read";
        ASSERT_GE(value.a, last) << "went back";
        last = value.a;
        ++reads;
    }
    writer.join();
}

// The decoder thread under a burst of requests, as when a key is held down:
// the answer to each one starts at its frame, runs on without a gap, and
// holds exactly the samples a fresh decoder gives there.
TEST(DecoderThread, EveryRequestIsAnsweredFromItsExactFrame)
{
    OggTestFile tune(OggSignal{4.0, 44100, 2, 997.0, 0.7});
    ASSERT_TRUE(tune.written());
    std::string problem;
    auto file = TuneFile::open(tune.path().c_str(), problem);
    ASSERT_TRUE(file) << problem;
    DecoderThread decoder;
    ASSERT_TRUE(decoder.open(file, problem)) << problem;
    auto reference = file->openDecoder(problem);
    ASSERT_TRUE(reference) << problem;
    const uint64_t total = decoder.decoder().totalFrames();

    FrameRing ring(24, 2);
    decoder.start(ring, 10);
    std::mt19937 random(11);
    std::vector<int16_t> expected(static_cast<size_t>(kBlock) * 2);
    for (uint32_t generation = 1; generation <= 60; ++generation) {
        uint64_t target = generation == 60 ? total : random() % total;
        decoder.request(generation, target);
        uint64_t next = target;
        bool checkedFirst = false;
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        // Read this request's answer up to a few blocks, or its end.
        while (next < std::min(target + 3 * kBlock, total) || !checkedFirst) {
            ASSERT_LT(Clock::now(), deadline) << "no answer to request " << generation;
            FrameRing::Block* block = ring.front();
            if (block == nullptr) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            if (block->generation == generation) {
                ASSERT_EQ(block->firstFrame, next) << "request " << generation;
                if (!checkedFirst && !block->endOfTune) {
                    ASSERT_TRUE(reference->seek(target));
                    int got = reference->readInterleaved16(expected.data(), block->frames);
                    ASSERT_EQ(got, block->frames);
                    ASSERT_TRUE(std::equal(expected.begin(), expected.begin() + 2 * got, block->samples))
                        << "request " << generation << " at frame " << target;
                }
                checkedFirst = true;
                next += static_cast<uint64_t>(block->frames);
                if (block->endOfTune) {
                    EXPECT_EQ(next, total) << "end of tune before the end";
                    ring.pop();
                    break;
                }
            } else {
                ASSERT_LT(block->generation, generation) << "a block from the future";
            }
            ring.pop();
        }
    }
    decoder.stop();
    decoder.stop();
}
