// ExportTarget: what an export's output name asks for. "NAME.mp4" is H.264
// video with AAC sound in MP4, "NAME.mkv" the same in Matroska, and a name
// with one printf-style frame number ("shots/frame%05d.png") an image
// sequence, with the sound beside it as a WAV file named without the number
// ("shots/frame.wav").
//
// The frame number is formatted here, never by printf: only %d with an
// optional 0 flag and a width up to 9 is accepted ("%%" stands for a percent
// sign), so a name cannot smuggle other conversions into a format call.
//
// A value type; parsing touches no file. Any thread.
#pragma once

#include <cstdint>
#include <string>

enum class ExportKind {
    Mp4,           // H.264 + AAC in MP4
    Matroska,      // H.264 + AAC in Matroska
    ImageSequence, // one PNG per frame + a WAV of the sound
};

class ExportTarget {
public:
    // Reads `name`. False with `problem` set (a sentence without the name)
    // when the name asks for nothing this program writes.
    bool parse(const std::string& name, std::string& problem);

    ExportKind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    bool isVideo() const { return kind_ != ExportKind::ImageSequence; }

    // The image file of frame `number` (image sequences only).
    std::string framePath(uint64_t number) const;
    // The sound file beside an image sequence ("shots/frame.wav").
    std::string soundPath() const;
    // The name a file is written under until it is complete: beside the
    // final one, so the closing rename stays within one file system.
    static std::string temporaryPath(const std::string& finalPath);

private:
    ExportKind kind_ = ExportKind::Mp4;
    std::string name_;
    std::string prefix_; // image sequence: the text before the number, "%%" resolved
    std::string suffix_; // and after it
    int width_ = 0;      // digits at least
    bool zeroPad_ = false;
};
