// VorbisDecoder: libvorbisfile behind the few calls the audio layer needs.
#include "timeline/VorbisDecoder.h"

#include <cstring>

// A damaged stream reports a hole in the data and then goes on; give up after
// this many in a row so that one call stays bounded.
static const int kMaxHolesPerRead = 16;

static std::string describeOpenError(int result, const OggSource& source)
{
    if (source.extent().cutShort)
        return "the file is cut short before the music starts";
    switch (result) {
    case OV_ENOTVORBIS:
        return "not an Ogg Vorbis file";
    case OV_EVERSION:
        return "unsupported Vorbis version";
    case OV_EBADHEADER:
        return "damaged Vorbis headers";
    case OV_EREAD:
        return "read error";
    default:
        return "cannot be decoded";
    }
}

static bool hostIsBigEndian()
{
    const uint16_t probe = 1;
    uint8_t first;
    std::memcpy(&first, &probe, 1);
    return first == 0;
}

VorbisDecoder::~VorbisDecoder()
{
    close();
}

bool VorbisDecoder::open(std::shared_ptr<OggSource> source, std::string& problem)
{
    close();
    if (!source) {
        problem = "no file";
        return false;
    }
    source_ = std::move(source);
    cursor_ = OggSource::Cursor{source_.get(), 0};
    int result = ov_open_callbacks(&cursor_, &file_, nullptr, 0, OggSource::callbacks());
    if (result != 0) {
        problem = describeOpenError(result, *source_);
        source_.reset();
        return false; // ov_open_callbacks has released what it had made
    }
    open_ = true;

    vorbis_info* info = ov_info(&file_, 0);
    ogg_int64_t total = ov_pcm_total(&file_, -1);
    if (info == nullptr || total < 0 || !ov_seekable(&file_)) {
        problem = "cannot be decoded";
        close();
        return false;
    }
    if (info->channels < 1 || info->channels > kMaxChannels) {
        problem = "unsupported channel count " + std::to_string(info->channels);
        close();
        return false;
    }
    // Positions count frames of one rate and channel count for the whole file.
    for (long link = 1; link < ov_streams(&file_); ++link) {
        vorbis_info* other = ov_info(&file_, static_cast<int>(link));
        if (other == nullptr || other->channels != info->channels || other->rate != info->rate) {
            problem = "chained streams change their sample format";
            close();
            return false;
        }
    }
    sampleRate_ = static_cast<int>(info->rate);
    channels_ = info->channels;
    totalFrames_ = static_cast<uint64_t>(total);
    return true;
}

void VorbisDecoder::close()
{
    if (open_) {
        ov_clear(&file_);
        open_ = false;
    }
    source_.reset();
    sampleRate_ = 0;
    channels_ = 0;
    totalFrames_ = 0;
    holesSkipped_ = 0;
}

bool VorbisDecoder::seek(uint64_t frame, bool crossfade)
{
    if (!open_ || frame > totalFrames_)
        return false;
    ogg_int64_t target = static_cast<ogg_int64_t>(frame);
    // Lapping needs audio after the target; the very end has none.
    crossfade = crossfade && frame < totalFrames_;
    int result = crossfade ? ov_pcm_seek_lap(&file_, target) : ov_pcm_seek(&file_, target);
    return result == 0;
}

int VorbisDecoder::readInterleaved16(int16_t* samples, int frames)
{
    if (!open_)
        return 0;
    static const int bigEndian = hostIsBigEndian() ? 1 : 0;
    const int frameBytes = channels_ * static_cast<int>(sizeof(int16_t));
    char* out = reinterpret_cast<char*>(samples);
    int wantedBytes = frames * frameBytes;
    int doneBytes = 0;
    int holes = 0;
    while (doneBytes < wantedBytes) {
        int bitstream = 0;
        long got = ov_read(&file_, out + doneBytes, wantedBytes - doneBytes, bigEndian, 2, 1, &bitstream);
        if (got == OV_HOLE)
            ++holesSkipped_;
        if (got == OV_HOLE && ++holes <= kMaxHolesPerRead)
            continue;
        if (got <= 0)
            break;
        doneBytes += static_cast<int>(got);
    }
    reorderFromVorbisOrder(samples, doneBytes / frameBytes, channels_);
    return doneBytes / frameBytes;
}

int VorbisDecoder::readMono(float* samples, int frames)
{
    if (!open_)
        return 0;
    int done = 0;
    int holes = 0;
    while (done < frames) {
        float** pcm = nullptr;
        int bitstream = 0;
        long got = ov_read_float(&file_, &pcm, frames - done, &bitstream);
        if (got == OV_HOLE)
            ++holesSkipped_;
        if (got == OV_HOLE && ++holes <= kMaxHolesPerRead)
            continue;
        if (got <= 0)
            break;
        const float scale = 1.0f / static_cast<float>(channels_);
        for (long i = 0; i < got; ++i) {
            float sum = 0.0f;
            for (int c = 0; c < channels_; ++c)
                sum += pcm[c][i];
            samples[done + i] = sum * scale;
        }
        done += static_cast<int>(got);
    }
    return done;
}
