// VideoFileWriter: H.264 video (yuv420p, constant quality) with the tune's
// sound as AAC, in MP4 or Matroska, through FFmpeg's libraries.
//
// The file is written to a temporary name beside the final one and renamed
// by finish(). Output is deterministic: the same frames and sound give the
// same bytes (bit-exact muxing, a fixed number of encoder threads whatever
// the machine). Every file starts with a key frame and its timestamps start
// at 0, so files of consecutive ranges join by stream copy.
//
// Sound is encoded alongside the video, a video frame's worth at a time, so
// memory does not grow with the length. Owns every FFmpeg object it makes
// and the temporary file. One thread at a time. Non-copyable.
#pragma once

#include <memory>
#include <string>

#include "export/ExportDefaults.h"
#include "export/ExportTarget.h"
#include "export/FrameSink.h"

struct VideoSettings {
    ExportKind kind = ExportKind::Mp4;        // Mp4 or Matroska
    int width = 0;                            // pixels, even
    int height = 0;                           // pixels, even
    int fps = kDefaultExportFps;              // frames per second
    int crf = kDefaultExportCrf;              // x264's constant quality, 0 (lossless) .. kMaxExportCrf
    std::string preset = kDefaultVideoPreset; // x264's speed/size trade-off
    int encoderThreads = 4;                   // fixed, so every machine makes the same bytes
};

class VideoFileWriter : public FrameSink {
public:
    VideoFileWriter();
    ~VideoFileWriter() override;
    VideoFileWriter(const VideoFileWriter&) = delete;
    VideoFileWriter& operator=(const VideoFileWriter&) = delete;

    // Creates the temporary file for `finalPath` and sets up the encoders.
    // False with `problem` set (nothing left on disk) when the place is not
    // writable, the tune cannot be decoded or FFmpeg lacks an encoder.
    bool open(const std::string& finalPath, const VideoSettings& settings, const ExportSound& sound,
              std::string& problem);

    bool writeFrame(const uint8_t* rgba, uint64_t index, std::string& problem) override;
    bool finish(std::string& problem) override;
    void discard() override;

    struct State; // the FFmpeg objects, defined with the code that uses them

private:
    std::unique_ptr<State> state_;
};
