// The tone generator: a sine written by the audio thread into a short-lived
// output device, while the main thread waits for its end.
#include "timeline/Tone.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "timeline/AudioOutput.h"

static const int kToneSampleRate = 44100;
static const int kToneBufferFrames = 512;
// Fade in and out over this many frames (about 5 ms) so the tone starts and
// stops without a click.
static const int kFadeFrames = 220;
// Level of the sine: loud enough for an alarm, with room below full scale.
static const double kToneAmplitude = 0.5;
// The device may hold the tone's end a little longer than planned; never wait
// more than this past the tone's length.
static const auto kMaxLateEnd = std::chrono::milliseconds(250);

namespace {

// Written by the audio thread only, except `ended`.
struct ToneSignal {
    double phaseStep = 0.0;         // radians per frame; 0 plays silence
    long totalFrames = 0;           // frames of the tone
    long writtenFrames = 0;         // frames handed to the device so far, tone and silence after it
    std::atomic<bool> ended{false}; // the tone and one buffer of silence after it have been handed
};

} // namespace

static void fillTone(void* context, int16_t* samples, int frames)
{
    ToneSignal& tone = *static_cast<ToneSignal*>(context);
    for (int i = 0; i < frames; ++i, ++tone.writtenFrames) {
        long n = tone.writtenFrames;
        double value = 0.0;
        if (n < tone.totalFrames && tone.phaseStep > 0.0) {
            long edge = std::min(n, tone.totalFrames - 1 - n);
            double gain = edge < kFadeFrames ? static_cast<double>(edge) / kFadeFrames : 1.0;
            value = kToneAmplitude * gain * std::sin(tone.phaseStep * static_cast<double>(n));
        }
        samples[i] = static_cast<int16_t>(std::lround(value * 32767.0));
    }
    // The buffer after the tone's last frames means the device has played them.
    if (tone.writtenFrames >= tone.totalFrames + frames)
        tone.ended.store(true);
}

void timeline::playTone(int frequencyHz, int durationMs)
{
    if (durationMs <= 0)
        return;
    const auto start = std::chrono::steady_clock::now();
    const auto plannedEnd = start + std::chrono::milliseconds(durationMs);

    ToneSignal tone;
    const double pi = std::acos(-1.0);
    if (frequencyHz > 0 && frequencyHz < kToneSampleRate / 2)
        tone.phaseStep = 2.0 * pi * frequencyHz / kToneSampleRate;
    tone.totalFrames = static_cast<long>(durationMs) * kToneSampleRate / 1000;

    AudioOutput output;
    bool playing = output.open(kToneSampleRate, 1, kToneBufferFrames, fillTone, &tone, AudioFallback::None);
    if (playing)
        output.setPaused(false);
    std::this_thread::sleep_until(plannedEnd);
    if (playing) {
        while (!tone.ended.load() && std::chrono::steady_clock::now() < plannedEnd + kMaxLateEnd)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    output.close();
}
