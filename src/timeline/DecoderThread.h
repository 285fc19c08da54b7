// DecoderThread: the music's decoder, on a thread of its own, keeping a
// FrameRing topped up with the tune's next frames.
//
// The main thread asks for a position with request(): a new generation
// number and the frame to play from. The thread seeks there (sample-exact),
// then decodes block after block into the ring, each block tagged with the
// request's generation, until about keepAheadBlocks of them wait; then it
// sleeps a few milliseconds and tops up what the audio callback has taken.
// A new request is taken up between two blocks, so a seek never waits for a
// full ring. After the tune's last frame it pushes one end-of-tune block.
// The audio callback never waits for this thread, nor this thread for it.
//
// Owns the playback decoder and the thread. open() and the accessors: main
// thread, before start(). request(), stop(): main thread. Non-copyable.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "timeline/FrameRing.h"
#include "timeline/TuneDecoder.h"
#include "timeline/TuneFile.h"

class DecoderThread {
public:
    // How long the thread sleeps when the ring holds enough.
    static constexpr int kTopUpMilliseconds = 4;

    DecoderThread() = default;
    ~DecoderThread();
    DecoderThread(const DecoderThread&) = delete;
    DecoderThread& operator=(const DecoderThread&) = delete;

    // Opens the playback decoder on `file`; false with `problem` set when it cannot.
    bool open(const std::shared_ptr<TuneFile>& file, std::string& problem);
    // The playback decoder; only after a successful open.
    const TuneDecoder& decoder() const { return *decoder_; }

    // Starts decoding into `ring` (which must outlive the thread), nothing
    // until the first request, at most `keepAheadBlocks` blocks of one
    // request queued at a time.
    void start(FrameRing& ring, int keepAheadBlocks);

    // Play from `frame` on, tagged `generation` (never the generation of an
    // earlier request). Returns at once.
    void request(uint32_t generation, uint64_t frame);

    // Stops and joins the thread. Idempotent.
    void stop();

private:
    struct Request {
        uint32_t generation = 0;
        uint64_t frame = 0;
    };
    // What the thread is serving; the thread's own.
    struct Progress {
        uint32_t generation = 0;
        uint64_t nextFrame = 0; // the tune's frame the decoder stands at
        uint64_t pushed = 0;    // blocks pushed for this generation
        bool finished = true;   // end-of-tune pushed (or nothing asked yet)
        bool lost = false;      // the seek failed: only the end-of-tune mark follows
    };

    void run();
    bool wantsBlock(const Progress& progress) const;
    void begin(const Request& request, Progress& progress);
    bool pushBlock(Progress& progress);

    std::unique_ptr<TuneDecoder> decoder_;
    FrameRing* ring_ = nullptr;
    int keepAheadBlocks_ = 0;
    std::thread thread_;

    // In a browser, which has no threads, the main loop's timer decodes
    // between frames instead (web/DecoderThreadPump.cpp).
    void pump();
    static void onPumpTimer(void* decoder);
    Progress pumped_;   // the timer's progress
    int pumpTimer_ = 0; // the timer's id; 0 when none runs

    std::mutex lock_;              // guards request_ and stopping_
    std::condition_variable wake_; // a request or stop
    Request request_;
    bool stopping_ = false;
};
