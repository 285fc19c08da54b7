// TuneDecoder: what every format's decoder shares: the channel order.
#include "timeline/TuneDecoder.h"

#include <algorithm>
#include <cmath>

uint32_t TuneDecoder::channelMask(int channels)
{
    static const uint32_t kMasks[kMaxChannels + 1] = {0, 0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x70F, 0x63F};
    return channels >= 1 && channels <= kMaxChannels ? kMasks[channels] : 0;
}

void TuneDecoder::reorderFromVorbisOrder(int16_t* samples, int frames, int channels)
{
    // Output channel i is channel kFrom[channels][i] of Vorbis's order (5.1:
    // FL, FC, FR, RL, RR, LFE), which Ogg Opus shares.
    static const int kFrom[kMaxChannels + 1][kMaxChannels] = {{},
                                                              {0},
                                                              {0, 1},
                                                              {0, 2, 1},
                                                              {0, 1, 2, 3},
                                                              {0, 2, 1, 3, 4},
                                                              {0, 2, 1, 5, 3, 4},
                                                              {0, 2, 1, 6, 5, 3, 4},
                                                              {0, 2, 1, 7, 5, 6, 3, 4}};
    if (channels < 3 || channels == 4 || channels > kMaxChannels)
        return;
    int16_t frame[kMaxChannels];
    for (int16_t* at = samples; at < samples + static_cast<ptrdiff_t>(frames) * channels; at += channels) {
        std::copy(at, at + channels, frame);
        for (int c = 0; c < channels; ++c)
            at[c] = frame[kFrom[channels][c]];
    }
}

void TuneDecoder::floatsTo16(const float* from, int16_t* to, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        to[i] = static_cast<int16_t>(std::lrint(std::clamp(from[i] * 32768.0f, -32768.0f, 32767.0f)));
}

void TuneDecoder::mixToMono(const float* from, float* to, int frames, int channels)
{
    const float scale = 1.0f / static_cast<float>(channels);
    for (int i = 0; i < frames; ++i) {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c)
            sum += from[static_cast<ptrdiff_t>(i) * channels + c];
        to[i] = sum * scale;
    }
}
