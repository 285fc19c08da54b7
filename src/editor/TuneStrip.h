// The music beside the track editor's rows: the tune's level per row (the
// loudest sample and the root mean square of each row's samples, channels
// averaged), so beats and drops can be seen against the keys, and the row
// where the tune ends.
//
// Computed once per tune and tempo on a worker thread of its own, which
// decodes the whole tune with a decoder of its own; a frame never waits for
// it. The main thread starts it and reads the result once ready() says so.
// Owns its thread, which the destructor stops and joins.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class TuneStrip {
public:
    TuneStrip() = default;
    ~TuneStrip();
    TuneStrip(const TuneStrip&) = delete;
    TuneStrip& operator=(const TuneStrip&) = delete;

    // Starts computing the strip of the tune at `path` at `rowsPerSecond`;
    // does nothing when it is the one already computed or being computed.
    void start(const std::string& path, double rowsPerSecond);

    // Whether the strip is ready; the figures below may be read only then.
    bool ready() const { return ready_.load(std::memory_order_acquire); }

    // Per row from row 0: the loudest sample (0..1) and the root mean square.
    const std::vector<float>& peaks() const { return peaks_; }
    const std::vector<float>& levels() const { return levels_; }
    // The loudest sample of the whole tune (above 0), to scale the strip by.
    float loudest() const { return loudest_; }
    // The tune's length in rows (0 without a tune); `problem` says why there
    // is none ("" when there is one).
    double endRow() const { return endRow_; }
    const std::string& problem() const { return problem_; }

private:
    void stop();
    void compute();

    std::string path_;
    double rowsPerSecond_ = 0.0;
    std::thread worker_;
    std::atomic<bool> ready_{false};
    std::atomic<bool> cancelled_{false};
    // Written by the worker until ready_, then read by the main thread only.
    std::vector<float> peaks_;
    std::vector<float> levels_;
    double endRow_ = 0.0;
    float loudest_ = 1e-6f;
    std::string problem_;
};
