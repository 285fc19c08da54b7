// AudioOutput: one playback device of SDL2's audio subsystem, fed with 16-bit
// interleaved samples by a fill function that runs on SDL's audio thread.
// This is the only module of the program that calls SDL.
//
// The owner (MusicStream, the tone generator) opens, pauses and closes it from
// the main thread; the fill function is called on the audio thread from open
// until close returns, never afterwards. close() waits for a running fill call
// to finish, so the context the fill function uses may be destroyed after it.
// Opens and releases the audio subsystem itself (SDL counts the users).
#pragma once

#include <cstdint>
#include <vector>

// Writes `frames` frames of interleaved signed 16-bit samples to `samples`.
// Runs on the audio thread.
using AudioFillFunction = void (*)(void* context, int16_t* samples, int frames);

// SDL reads 3 channels as 2.1 and 5 as 4.1, where a tune's 3 and 5 channels
// are 3.0 and 5.0 (left, right, centre, and the two rear): such a tune is
// played on a 5.1 device with the channels it lacks silent, so that its
// centre is not heard on the subwoofer. Other counts are played as they are.
int audioDeviceChannels(int channels);

// Copies `frames` frames of `channels` channels (the order of a WAV file's
// channel mask) into `out`, frames of audioDeviceChannels(channels) channels
// in SDL's order, the missing speakers silent.
void spreadToDeviceChannels(const int16_t* in, int channels, int16_t* out, int frames);

// What to do when the default output device cannot be opened.
enum class AudioFallback {
    None,  // open fails quietly (the tone generator then just waits)
    Dummy, // one line on standard error, then SDL's dummy driver, which
           // consumes samples in real time in silence
};

class AudioOutput {
public:
    AudioOutput() = default;
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens the default device at the given rate and channel count (SDL
    // converts to what the hardware takes), held paused, with buffers of
    // `bufferFrames` frames. False when no device could be opened.
    bool open(int sampleRate, int channels, int bufferFrames, AudioFillFunction fill, void* context,
              AudioFallback fallback);

    // Starts or stops calling the fill function; while paused the device plays silence.
    void setPaused(bool paused);

    // Stops the device and waits for the audio thread to leave the fill function.
    // Idempotent.
    void close();

    bool isOpen() const { return device_ != 0; }

    // Frames per buffer the device asks for at each call of the fill function.
    int bufferFrames() const { return bufferFrames_; }

private:
    static void callback(void* userdata, uint8_t* stream, int length);
    bool prepareSpread();

    uint32_t device_ = 0; // SDL_AudioDeviceID; 0 when closed
    bool subsystemStarted_ = false;
    int channels_ = 0;            // the fill function's
    int deviceChannels_ = 0;      // the device's (audioDeviceChannels)
    std::vector<int16_t> spread_; // the fill function's frames when the two differ
    int bufferFrames_ = 0;
    AudioFillFunction fill_ = nullptr;
    void* context_ = nullptr;
};
