// MonoBlockReader: mono blocks of a tune, decoded forward from the last block.
#include "timeline/MonoBlockReader.h"

#include <algorithm>
#include <cstring>

// Gaps up to this many blocks are decoded through rather than sought over:
// decoding them costs less than a seek, which restarts from a page boundary.
static const uint64_t kMaxSkipBlocks = 2;

bool MonoBlockReader::open(const std::shared_ptr<TuneFile>& file, std::string& problem)
{
    block_.assign(static_cast<size_t>(blockFrames_), 0.0f);
    blockStart_ = 0;
    keptFrames_ = 0;
    decoder_ = file ? file->openDecoder(problem) : nullptr;
    if (!file)
        problem = "no file";
    positioned_ = decoder_ != nullptr;
    return positioned_;
}

void MonoBlockReader::close()
{
    decoder_.reset();
    positioned_ = false;
    keptFrames_ = 0;
}

bool MonoBlockReader::restartAt(uint64_t frame)
{
    blockStart_ = frame;
    keptFrames_ = 0;
    positioned_ = decoder_->seek(frame);
    return positioned_;
}

const float* MonoBlockReader::blockAt(uint64_t frame)
{
    if (block_.empty())
        block_.assign(static_cast<size_t>(blockFrames_), 0.0f); // never opened: one block of silence, once
    if (!decoder_ || frame >= decoder_->totalFrames()) {
        std::fill(block_.begin(), block_.end(), 0.0f);
        positioned_ = false;
        return block_.data();
    }

    uint64_t decodedEnd = blockStart_ + static_cast<uint64_t>(keptFrames_);
    if (!positioned_ || frame < blockStart_ ||
        frame > decodedEnd + kMaxSkipBlocks * static_cast<uint64_t>(blockFrames_)) {
        if (!restartAt(frame)) {
            std::fill(block_.begin(), block_.end(), 0.0f);
            return block_.data();
        }
    } else if (frame <= decodedEnd) {
        int dropped = static_cast<int>(frame - blockStart_);
        keptFrames_ -= dropped;
        std::memmove(block_.data(), block_.data() + dropped, sizeof(float) * keptFrames_);
        blockStart_ = frame;
    } else {
        // Decode through the gap; block_ serves as scratch space.
        uint64_t gap = frame - decodedEnd;
        while (gap > 0) {
            int chunk = static_cast<int>(std::min<uint64_t>(gap, static_cast<uint64_t>(blockFrames_)));
            int got = decoder_->readMono(block_.data(), chunk);
            if (got <= 0)
                break;
            gap -= static_cast<uint64_t>(got);
        }
        if (gap > 0 && !restartAt(frame)) {
            std::fill(block_.begin(), block_.end(), 0.0f);
            return block_.data();
        }
        blockStart_ = frame;
        keptFrames_ = 0;
    }

    while (keptFrames_ < blockFrames_) {
        int got = decoder_->readMono(block_.data() + keptFrames_, blockFrames_ - keptFrames_);
        if (got <= 0)
            break;
        keptFrames_ += got;
    }
    std::fill(block_.begin() + keptFrames_, block_.end(), 0.0f); // past the end: silence
    return block_.data();
}
