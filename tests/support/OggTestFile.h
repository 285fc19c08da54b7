// OggTestFile: a short Ogg Vorbis file made for one test (or benchmark) with
// vorbisenc, in the system's temporary directory, removed again when the
// object goes away. Holds a sine of a given pitch and level, or silence.
#pragma once

#include <string>

struct OggSignal {
    double seconds = 2.0;        // length; the file holds exactly this many frames, rounded down
    int sampleRate = 44100;      // frames per second
    int channels = 2;            // every channel carries the same signal
    double frequencyHz = 1000.0; // pitch of the sine
    double amplitude = 1.0;      // peak level, 1.0 = full scale; 0 gives silence
};

// The peak levels of OggTestFile::writeSurround's speakers: they rise in a
// WAV file's order of channels.
constexpr double kSurroundLevels[6] = {0.05, 0.15, 0.25, 0.35, 0.55, 0.75};

class OggTestFile {
public:
    explicit OggTestFile(const OggSignal& signal);
    ~OggTestFile();
    OggTestFile(const OggTestFile&) = delete;
    OggTestFile& operator=(const OggTestFile&) = delete;

    const std::string& path() const { return path_; }
    // False when the file could not be written (the test should stop).
    bool written() const { return written_; }

    // A path in the temporary directory that no file uses yet, ending in `suffix`.
    static std::string uniquePath(const std::string& suffix);
    // Encodes `signal` into `path`. False on failure.
    static bool write(const std::string& path, const OggSignal& signal);
    // Encodes 5.1 into `path` whose speakers are told apart by their level
    // (kSurroundLevels, listed in a WAV file's order: FL, FR, FC, LFE, BL,
    // BR), a 60 Hz sine that the LFE channel carries too, 2 s at 48 kHz.
    // False on failure.
    static bool writeSurround(const std::string& path);

private:
    std::string path_;
    bool written_ = false;
};
