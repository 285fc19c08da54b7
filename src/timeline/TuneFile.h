// TuneFile: the tune's file, opened once, in any format the player reads
// (Ogg Vorbis, Ogg Opus, FLAC, WAV and MP3), and the decoders that read it.
//
// Opening refuses anything but a regular file (a named pipe, a device or a
// directory is turned away at once, without a read) and an empty one. An Ogg
// file is read through an OggSource, whose page walk bounds the data at its
// last whole page; its first packet tells Vorbis (VorbisDecoder) from the
// rest (Opus, which libsndfile decodes). MP3 goes to libmpg123
// (Mp3Decoder), any other file to libsndfile (SndfileDecoder), bounded at the
// file's size as it was opened. A build without DEMOPLAYER_TUNE_FORMATS
// reads Ogg Vorbis alone (TuneFileFormatsNone.cpp).
//
// Owns the file handle (directly, or through the OggSource); several
// decoders may read through one TuneFile, each keeping it alive, from any
// threads: every read positions and reads under the file's own lock.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "timeline/OggSource.h"
#include "timeline/TuneDecoder.h"

class TuneFile : public std::enable_shared_from_this<TuneFile> {
public:
    // Opens `path`. nullptr when the file cannot be opened, is not a regular
    // file, is empty, or is an Ogg file without a whole page; `problem` then
    // says why in a few words (no file name). Whether the data decodes is
    // openDecoder()'s to find.
    static std::shared_ptr<TuneFile> open(const char* path, std::string& problem);

    ~TuneFile();
    TuneFile(const TuneFile&) = delete;
    TuneFile& operator=(const TuneFile&) = delete;

    // A decoder at the tune's first frame; nullptr with `problem` set (no
    // file name) when the data cannot be decoded.
    std::unique_ptr<TuneDecoder> openDecoder(std::string& problem);

    // The container's name for messages, from the file's first bytes: "Ogg",
    // "FLAC", "WAV", "MP3", or "audio" for anything else.
    const std::string& formatName() const { return formatName_; }

    // Bytes of data decoders may read: the Ogg data's end, or the file's size.
    uint64_t dataBytes() const;
    // Up to `bytes` bytes from `offset` on, never past dataBytes(); returns how many were read.
    size_t readAt(uint64_t offset, void* buffer, size_t bytes);

private:
    TuneFile() = default;
    // The decoder of any format but Ogg Vorbis (TuneFileFormats.cpp).
    std::unique_ptr<TuneDecoder> openOtherDecoder(std::string& problem);

    std::shared_ptr<OggSource> ogg_; // the Ogg data, for Ogg files
    bool vorbis_ = false;            // the Ogg stream is Vorbis
    std::FILE* plain_ = nullptr;     // owned; the file of any other format
    uint64_t plainBytes_ = 0;
    std::mutex lock_; // held for each positioned read of plain_
    std::string formatName_;
};
