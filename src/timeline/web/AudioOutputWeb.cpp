// AudioOutput in a browser: a Web Audio context whose script processor asks
// the fill function for each buffer (see AudioOutput.h). The browser calls
// the processor on the page's main thread, between frames, so the fill
// function never runs beside the main thread's own calls, and close() has
// nothing to wait for. A context made before the person's first click or
// key stays suspended (browsers start sound only after a gesture) and asks
// for nothing until the page resumes it (the page's "click to play").
#include "timeline/AudioOutput.h"

#include <algorithm>
#include <cstdint>

#include <emscripten/emscripten.h>

namespace {

// The script processor's buffer: larger than elsewhere, since a frame that a
// software renderer draws slowly holds up the processor's call too.
constexpr int kMinBufferFrames = 4096;

} // namespace

// The page's audio: context, processor and the buffer the fill function
// writes into, kept on the module object under the device number given.
// Returns 0 when the browser has no Web Audio.
// clang-format off
EM_JS(int, demoplayer_audio_open, (int sampleRate, int channels, int frames, int fill, void* output, int16_t* buffer), {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context)
        return 0;
    var context;
    try {
        context = new Context({sampleRate: sampleRate, latencyHint: "playback"});
    } catch (error) {
        try { context = new Context(); } catch (again) { return 0; }
    }
    var processor = context.createScriptProcessor(frames, 0, channels);
    var audio = {context: context, processor: processor, paused: true};
    processor.onaudioprocess = function(event) {
        var out = event.outputBuffer;
        var c, i, data;
        if (audio.paused) {
            for (c = 0; c < channels; ++c)
                out.getChannelData(c).fill(0);
            return;
        }
        wasmTable.get(fill)(output, buffer, frames * channels * 2);
        var samples = HEAP16.subarray(buffer >> 1, (buffer >> 1) + frames * channels);
        for (c = 0; c < channels; ++c) {
            data = out.getChannelData(c);
            for (i = 0; i < frames; ++i)
                data[i] = samples[i * channels + c] / 32768;
        }
    };
    processor.connect(context.destination);
    Module.demoplayerAudio = Module.demoplayerAudio || [];
    Module.demoplayerAudio.push(audio);
    return Module.demoplayerAudio.length;
});

EM_JS(void, demoplayer_audio_pause, (int device, int paused), {
    Module.demoplayerAudio[device - 1].paused = !!paused;
});

EM_JS(void, demoplayer_audio_close, (int device), {
    var audio = Module.demoplayerAudio[device - 1];
    audio.paused = true;
    audio.processor.disconnect();
    audio.processor.onaudioprocess = null;
    audio.context.close();
});
// clang-format on

void AudioOutput::callback(void* userdata, uint8_t* stream, int length)
{
    AudioOutput& output = *static_cast<AudioOutput*>(userdata);
    output.fill_(output.context_, reinterpret_cast<int16_t*>(stream), length / (2 * output.channels_));
}

bool AudioOutput::open(int sampleRate, int channels, int bufferFrames, AudioFillFunction fill, void* context,
                       AudioFallback)
{
    close();
    int frames = kMinBufferFrames;
    while (frames < bufferFrames && frames < 16384)
        frames *= 2;
    fill_ = fill;
    context_ = context;
    channels_ = channels;
    deviceChannels_ = channels;
    bufferFrames_ = frames;
    spread_.assign(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels), 0);
    void (*processorCall)(void*, uint8_t*, int) = &AudioOutput::callback;
    device_ = static_cast<uint32_t>(demoplayer_audio_open(sampleRate, channels, frames,
                                                          static_cast<int>(reinterpret_cast<intptr_t>(processorCall)),
                                                          this, spread_.data()));
    return device_ != 0;
}

void AudioOutput::setPaused(bool paused)
{
    if (device_ != 0)
        demoplayer_audio_pause(static_cast<int>(device_), paused ? 1 : 0);
}

void AudioOutput::close()
{
    if (device_ == 0)
        return;
    demoplayer_audio_close(static_cast<int>(device_));
    device_ = 0;
}

AudioOutput::~AudioOutput()
{
    close();
}
