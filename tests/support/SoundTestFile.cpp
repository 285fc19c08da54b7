// Tunes in other formats for tests, through libsndfile's writers.
#include "SoundTestFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;

int sndfileFormat(SoundFormat format)
{
    switch (format) {
    case SoundFormat::Wav16:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case SoundFormat::Wav24:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    case SoundFormat::Wav32:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_32;
    case SoundFormat::WavFloat:
        return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    case SoundFormat::Flac:
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case SoundFormat::Opus:
        return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    case SoundFormat::Mp3:
        return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    case SoundFormat::Vorbis:
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    }
    return 0;
}

} // namespace

const std::vector<SoundFormatName>& soundFormats()
{
    static const std::vector<SoundFormatName> formats = {
        {SoundFormat::Wav16, "WAV 16-bit", ".wav", false}, {SoundFormat::Wav24, "WAV 24-bit", ".wav", false},
        {SoundFormat::Wav32, "WAV 32-bit", ".wav", false}, {SoundFormat::WavFloat, "WAV float", ".wav", false},
        {SoundFormat::Flac, "FLAC", ".flac", false},       {SoundFormat::Opus, "Ogg Opus", ".opus", true},
        {SoundFormat::Mp3, "MP3", ".mp3", true},           {SoundFormat::Vorbis, "Ogg Vorbis", ".ogg", true},
    };
    return formats;
}

bool writeSoundSamples(const std::string& path, SoundFormat format, int sampleRate, int channels,
                       const std::vector<float>& samples)
{
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = sndfileFormat(format);
    if (!sf_format_check(&info))
        return false;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return false;
    // In stretches: libsndfile's Vorbis encoder fails on long single writes.
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
    bool written = true;
    for (sf_count_t at = 0; at < frames && written; at += 4096) {
        const sf_count_t stretch = std::min<sf_count_t>(4096, frames - at);
        written = sf_writef_float(file, samples.data() + at * channels, stretch) == stretch;
    }
    return sf_close(file) == 0 && written;
}

bool writeSoundFile(const std::string& path, SoundFormat format, const OggSignal& signal)
{
    const int rate = format == SoundFormat::Opus ? 48000 : signal.sampleRate;
    const size_t frames = static_cast<size_t>(signal.seconds * rate);
    const double step = 2.0 * kPi * signal.frequencyHz / rate;
    std::vector<float> samples(frames * static_cast<size_t>(signal.channels));
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < signal.channels; ++c)
            samples[i * static_cast<size_t>(signal.channels) + static_cast<size_t>(c)] = static_cast<float>(
                signal.amplitude * std::sin(step * static_cast<double>(i)));
    return writeSoundSamples(path, format, rate, signal.channels, samples);
}
