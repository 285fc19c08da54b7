// TuneRangeReader: exact stretches of a tune for the export's sound.
#include "timeline/TuneRangeReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "timeline/TuneFile.h"

uint64_t TuneRangeReader::frameAt(double seconds, int sampleRate)
{
    if (!(seconds > 0.0) || sampleRate <= 0)
        return 0;
    return static_cast<uint64_t>(std::llround(seconds * sampleRate));
}

bool TuneRangeReader::open(const char* path, uint64_t firstFrame, uint64_t endFrame, std::string& problem)
{
    close();
    if (endFrame < firstFrame) {
        problem = "the range ends before it starts";
        return false;
    }
    const std::shared_ptr<TuneFile> file = TuneFile::open(path, problem);
    if (!file || !(decoder_ = file->openDecoder(problem)))
        return false;
    formatName_ = file->formatName();
    next_ = firstFrame;
    end_ = endFrame;
    // A range that starts past the tune's end is silence from the start.
    decoderAtNext_ = firstFrame < decoder_->totalFrames() && decoder_->seek(firstFrame);
    if (!decoderAtNext_ && firstFrame < decoder_->totalFrames())
        noteDamage(firstFrame, "the tune cannot be decoded from there on");
    return true;
}

void TuneRangeReader::close()
{
    decoder_.reset();
    formatName_.clear();
    next_ = 0;
    end_ = 0;
    decoderAtNext_ = false;
    damage_.clear();
}

int TuneRangeReader::read(int16_t* samples, int frames)
{
    const int wanted = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(std::max(frames, 0)), end_ - next_));
    int done = 0;
    if (decoderAtNext_) {
        while (done < wanted) {
            int got = decoder_->readInterleaved16(samples + static_cast<size_t>(done) * channels(), wanted - done);
            if (got <= 0) {
                decoderAtNext_ = false;
                if (next_ + done < decoder_->totalFrames())
                    noteDamage(next_ + done, "the tune cannot be decoded from there on");
                break;
            }
            done += got;
        }
        if (decoder_->holesSkipped() > 0)
            noteDamage(next_, "a gap in it would put the sound out of step");
    }
    std::fill(samples + static_cast<size_t>(done) * channels(), samples + static_cast<size_t>(wanted) * channels(),
              int16_t{0});
    next_ += static_cast<uint64_t>(wanted);
    return wanted;
}

void TuneRangeReader::noteDamage(uint64_t frame, const char* what)
{
    if (!damage_.empty())
        return;
    char at[32];
    std::snprintf(at, sizeof at, "%.2f s", static_cast<double>(frame) / std::max(sampleRate(), 1));
    damage_ = "damaged " + formatName_ + " data at " + std::string(at) + ": " + what;
}
