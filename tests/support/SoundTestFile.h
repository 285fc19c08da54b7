// Short tunes in the formats other than Ogg Vorbis, written with libsndfile
// for one test or benchmark: the same sine as OggTestFile's (every channel
// alike), in WAV (16, 24, 32-bit PCM, float), FLAC, Ogg Opus, MP3 or Ogg
// Vorbis (libsndfile's encoder, read back by the player's own). Only
// in builds that read those formats (DEMOPLAYER_TUNE_FORMATS).
#pragma once

#include <string>
#include <vector>

#include "OggTestFile.h"

enum class SoundFormat { Wav16, Wav24, Wav32, WavFloat, Flac, Opus, Mp3, Vorbis };

struct SoundFormatName {
    SoundFormat format;
    const char* name;   // "FLAC", "WAV 24-bit", ...
    const char* suffix; // ".flac", ".wav", ...
    bool lossy;         // decoded samples differ from the written ones
};

// Every format, WAV first, Ogg Vorbis last.
const std::vector<SoundFormatName>& soundFormats();

// Writes `signal` into `path` as `format` (Opus at 48 kHz whatever the
// signal's rate). False when it cannot: a libsndfile built without the
// format's encoder (MP3 needs lame), or a write failure.
bool writeSoundFile(const std::string& path, SoundFormat format, const OggSignal& signal);

// Writes `samples` (interleaved, `channels` of them, full scale 1.0) as it is.
bool writeSoundSamples(const std::string& path, SoundFormat format, int sampleRate, int channels,
                       const std::vector<float>& samples);
