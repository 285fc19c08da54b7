// Mp3Decoder: an MP3 tune decoded with libmpg123, on demand, into 16-bit
// interleaved frames (for the output device) or into mono floats (for the
// spectrum): the TuneDecoder of MP3 files.
//
// The file is scanned once when opened, for its exact length (without the
// encoder's delay and padding) and an index of its frames; a seek then
// decodes enough frames ahead of its target to refill the bit reservoir, so
// that it gives exactly the samples a decode from the start gives there.
// libmpg123's own notes about damaged data are kept off standard error.
//
// Reads through a TuneFile, which it shares with other decoders of the same
// file and keeps alive; owns its mpg123 handle (FloatTuneDecoder its place
// in the data and its scratch samples). Not thread-safe: one thread at a time calls it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "timeline/FloatTuneDecoder.h"

struct mpg123_handle_struct;

class Mp3Decoder : public FloatTuneDecoder {
public:
    Mp3Decoder() = default;
    ~Mp3Decoder() override;

    // Opens the tune of `file` at its first frame. On failure returns false
    // and sets `problem` to a short reason (no file name).
    bool open(std::shared_ptr<TuneFile> file, std::string& problem);
    void close();

    bool seek(uint64_t frame) override;

private:
    int readFloats(int frames) override;

    mpg123_handle_struct* handle_ = nullptr;
};
