// Reading exported files back with FFmpeg's libraries, for the export tests:
// every video frame decoded to RGB (the centre pixel and a checksum), the
// key-frame flag of the first one, frame timestamps, and the decoded sound.
// Also joins files with the concat demuxer and stream copy, as a render farm
// would. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DecodedMedia {
    bool opened = false;
    std::string problem; // why not, when not opened

    int width = 0;
    int height = 0;
    std::vector<double> frameSeconds;   // presentation time of each decoded frame
    std::vector<uint32_t> centreColour; // 0xRRGGBB of each frame's centre pixel
    bool firstFrameIsKey = false;
    int decodeErrors = 0; // packets a decoder refused as broken

    int sampleRate = 0; // 0: no sound stream
    int channels = 0;
    double soundStartSeconds = 0.0;   // presentation time of the first decoded sample
    double soundEndSeconds = 0.0;     // where the last sound packet ends, as the file times it
    std::vector<float> soundMono;     // decoded samples, channels averaged
    std::string channelLayout;        // FFmpeg's name of the sound's layout ("5.1", "stereo", ...)
    std::vector<double> channelPeaks; // each channel's peak level, from its RMS (a sine's peak)
};

// Decodes every frame and sample of `path` (a concat list with `format` "concat").
DecodedMedia decodeMedia(const std::string& path, const std::string& format = "");

// Joins `parts` (in order) into `output` with the concat demuxer and stream
// copy. `listPath` is where the concat list is written. False with `problem` set.
bool concatByStreamCopy(const std::vector<std::string>& parts, const std::string& listPath, const std::string& output,
                        std::string& problem);
