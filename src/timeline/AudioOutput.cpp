// AudioOutput: an SDL2 playback device driven by a fill function.
// Main thread: open, setPaused, close. Audio thread: callback.
#include "timeline/AudioOutput.h"

#include <SDL.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

// The first user of the audio subsystem starts it with the driver SDL picks
// (SDL_AUDIODRIVER, else the first that works); later users share it.
static bool startAudioSubsystem()
{
    platform_quiet_sound_library();
    // SDL would otherwise take SIGINT and SIGTERM for its event queue, which
    // nobody reads: Ctrl+C and kill would no longer end the player.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

static SDL_AudioDeviceID openDefaultDevice(int sampleRate, int channels, int bufferFrames, SDL_AudioCallback callback,
                                           void* userdata, int& obtainedFrames)
{
    SDL_AudioSpec wanted;
    SDL_zero(wanted);
    wanted.freq = sampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(channels);
    wanted.samples = static_cast<Uint16>(bufferFrames);
    wanted.callback = callback;
    wanted.userdata = userdata;
    SDL_AudioSpec obtained;
    // No changes allowed: SDL converts our rate and channels to the hardware's,
    // so the fill function always sees the format it asked for.
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device != 0)
        obtainedFrames = obtained.samples;
    return device;
}

int audioDeviceChannels(int channels)
{
    return channels == 3 || channels == 5 ? 6 : channels;
}

void spreadToDeviceChannels(const int16_t* in, int channels, int16_t* out, int frames)
{
    // Where each channel goes in SDL's 5.1 (left, right, centre, LFE, rear left, rear right).
    static const int kPlace3[] = {0, 1, 2};
    static const int kPlace5[] = {0, 1, 2, 4, 5};
    const int* place = channels == 3 ? kPlace3 : kPlace5;
    const int outChannels = audioDeviceChannels(channels);
    for (int frame = 0; frame < frames; ++frame, in += channels, out += outChannels) {
        std::fill(out, out + outChannels, int16_t(0));
        for (int c = 0; c < channels; ++c)
            out[place[c]] = in[c];
    }
}

AudioOutput::~AudioOutput()
{
    close();
}

bool AudioOutput::open(int sampleRate, int channels, int bufferFrames, AudioFillFunction fill, void* context,
                       AudioFallback fallback)
{
    close();
    channels_ = channels;
    deviceChannels_ = audioDeviceChannels(channels);
    fill_ = fill;
    context_ = context;

    std::string problem;
    bool onDummyAlready = false;
    if (startAudioSubsystem()) {
        subsystemStarted_ = true;
        device_ = openDefaultDevice(sampleRate, deviceChannels_, bufferFrames, callback, this, bufferFrames_);
        if (device_ != 0)
            return prepareSpread();
        problem = SDL_GetError();
        const char* driver = SDL_GetCurrentAudioDriver();
        onDummyAlready = driver != nullptr && std::strcmp(driver, "dummy") == 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemStarted_ = false;
    } else {
        problem = SDL_GetError();
    }
    if (fallback == AudioFallback::None)
        return false;
    if (onDummyAlready) { // the dummy driver has one device, and it is taken
        std::fprintf(stderr, "audio: cannot open an output device (%s)\n", problem.c_str());
        return false;
    }

    std::fprintf(stderr, "audio: no output device (%s); playing in silence on SDL's dummy driver\n", problem.c_str());
    // The driver is chosen when the subsystem starts; the hint is only needed
    // for that moment. Whoever shares the subsystem meanwhile gets the dummy too.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    bool started = startAudioSubsystem();
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (!started)
        return false;
    subsystemStarted_ = true;
    device_ = openDefaultDevice(sampleRate, deviceChannels_, bufferFrames, callback, this, bufferFrames_);
    if (device_ != 0)
        return prepareSpread();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystemStarted_ = false;
    return false;
}

// The device is open and paused: its callback has not run yet.
bool AudioOutput::prepareSpread()
{
    spread_.assign(deviceChannels_ != channels_ ? static_cast<size_t>(std::max(bufferFrames_, 1)) * channels_ : 0, 0);
    return true;
}

void AudioOutput::setPaused(bool paused)
{
    if (device_ != 0)
        SDL_PauseAudioDevice(device_, paused ? 1 : 0);
}

void AudioOutput::close()
{
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_); // joins the audio thread
        device_ = 0;
    }
    if (subsystemStarted_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemStarted_ = false;
    }
}

void AudioOutput::callback(void* userdata, uint8_t* stream, int length)
{
    AudioOutput* output = static_cast<AudioOutput*>(userdata);
    int frames = length / (output->deviceChannels_ * static_cast<int>(sizeof(int16_t)));
    int16_t* samples = reinterpret_cast<int16_t*>(stream);
    if (output->deviceChannels_ == output->channels_) {
        output->fill_(output->context_, samples, frames);
        return;
    }
    const int chunk = std::max(1, static_cast<int>(output->spread_.size()) / output->channels_);
    for (int done = 0; done < frames;) {
        const int n = std::min(chunk, frames - done);
        output->fill_(output->context_, output->spread_.data(), n);
        spreadToDeviceChannels(output->spread_.data(), output->channels_,
                               samples + static_cast<ptrdiff_t>(done) * output->deviceChannels_, n);
        done += n;
    }
}
