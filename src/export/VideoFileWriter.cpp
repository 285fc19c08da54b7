// VideoFileWriter: H.264 + AAC files through libavformat and libavcodec.
#include "export/VideoFileWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <vector>

#include "timeline/TuneRangeReader.h"
#include "timeline/TuneDecoder.h"
#include "timeline/TuneFile.h"

struct VideoFileWriter::State {
    std::string finalPath;
    std::string temporaryPath;
    int width = 0;
    int height = 0;
    int fps = 0;

    AVFormatContext* container = nullptr;
    bool fileOpen = false; // container->pb is open
    AVPacket* packet = nullptr;

    AVCodecContext* video = nullptr;
    AVStream* videoStream = nullptr;
    AVFrame* picture = nullptr;
    SwsContext* scaler = nullptr;

    // Sound; audio is null without a tune.
    AVCodecContext* audio = nullptr;
    AVStream* audioStream = nullptr;
    AVFrame* audioFrame = nullptr;
    SwrContext* converter = nullptr;
    // Positions in tune frames. Sound is cut into encoder frames on a grid
    // fixed to the tune's start, the same for every range (see openAudio).
    std::string tunePath;
    TuneRangeReader tune;         // reads from max(feedNext, 0) on
    std::vector<int16_t> samples; // one encoder frame, interleaved
    int tuneChannels = 0;         // channels of `samples`
    int64_t soundFirst = 0;       // tune frame at the file's time 0
    int64_t feedNext = 0;         // next tune frame for the encoder
    int64_t feedEnd = 0;          // tune frame where feeding stops
    int64_t keepFrom = 0;         // packets starting in [keepFrom, keepTo) are written
    int64_t keepTo = 0;

    ~State();
};

VideoFileWriter::State::~State()
{
    sws_freeContext(scaler);
    swr_free(&converter);
    av_frame_free(&picture);
    av_frame_free(&audioFrame);
    av_packet_free(&packet);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    if (container != nullptr && fileOpen)
        avio_closep(&container->pb);
    avformat_free_context(container);
}

static std::string ffmpegError(const char* what, int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return std::string(what) + ": " + text;
}

// Sends `frame` (null: flush) to `codec` and writes the packets it gives
// back whose timestamps (codec time base) lie in [keepFrom, keepTo).
static int encodeAndWrite(VideoFileWriter::State& state, AVCodecContext* codec, AVStream* stream, const AVFrame* frame,
                          int64_t keepFrom = INT64_MIN, int64_t keepTo = INT64_MAX)
{
    int result = avcodec_send_frame(codec, frame);
    if (result < 0)
        return result;
    for (;;) {
        result = avcodec_receive_packet(codec, state.packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return 0;
        if (result < 0)
            return result;
        if (state.packet->pts < keepFrom || state.packet->pts >= keepTo) {
            av_packet_unref(state.packet);
            continue;
        }
        av_packet_rescale_ts(state.packet, codec->time_base, stream->time_base);
        state.packet->stream_index = stream->index;
        result = av_interleaved_write_frame(state.container, state.packet);
        if (result < 0)
            return result;
    }
}

static bool openVideo(VideoFileWriter::State& state, const VideoSettings& settings, std::string& problem)
{
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr)
        codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (codec == nullptr) {
        problem = "this FFmpeg has no H.264 encoder";
        return false;
    }
    state.videoStream = avformat_new_stream(state.container, nullptr);
    state.video = avcodec_alloc_context3(codec);
    if (state.videoStream == nullptr || state.video == nullptr) {
        problem = "out of memory";
        return false;
    }
    AVCodecContext* video = state.video;
    video->width = settings.width;
    video->height = settings.height;
    video->pix_fmt = AV_PIX_FMT_YUV420P;
    video->time_base = AVRational{1, settings.fps};
    video->framerate = AVRational{settings.fps, 1};
    video->gop_size = 2 * settings.fps; // a key frame every two seconds for seeking
    video->thread_count = settings.encoderThreads;
    video->flags |= AV_CODEC_FLAG_BITEXACT;
    // The conversion below uses BT.709 with video range; say so in the stream.
    video->colorspace = AVCOL_SPC_BT709;
    video->color_primaries = AVCOL_PRI_BT709;
    video->color_trc = AVCOL_TRC_BT709;
    video->color_range = AVCOL_RANGE_MPEG;
    if (state.container->oformat->flags & AVFMT_GLOBALHEADER)
        video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "crf", settings.crf, 0);
    av_dict_set(&options, "preset", settings.preset.c_str(), 0);
    int result = avcodec_open2(video, codec, &options);
    av_dict_free(&options);
    if (result < 0) {
        problem = ffmpegError("the H.264 encoder refuses the settings", result);
        return false;
    }
    avcodec_parameters_from_context(state.videoStream->codecpar, video);
    state.videoStream->time_base = video->time_base;
    state.videoStream->avg_frame_rate = video->framerate;

    state.picture = av_frame_alloc();
    if (state.picture == nullptr) {
        problem = "out of memory";
        return false;
    }
    state.picture->format = video->pix_fmt;
    state.picture->width = video->width;
    state.picture->height = video->height;
    if (av_frame_get_buffer(state.picture, 0) < 0) {
        problem = "out of memory";
        return false;
    }
    state.scaler = sws_getContext(settings.width, settings.height, AV_PIX_FMT_RGBA, settings.width, settings.height,
                                  AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (state.scaler == nullptr) {
        problem = "no colour conversion for this size";
        return false;
    }
    sws_setColorspaceDetails(state.scaler, sws_getCoefficients(SWS_CS_ITU709), 1, sws_getCoefficients(SWS_CS_ITU709), 0,
                             0, 1 << 16, 1 << 16);
    return true;
}

// The first encoder frame of the grid that a range starting at `frame` keeps.
// The grid is fixed to the tune's frame 0, and a range keeps every packet
// that starts in [gridStart(first), gridStart(end)): ranges that meet share
// no packet and leave none out, so files of consecutive ranges join by stream
// copy into one continuous sound. A range from 0 keeps the encoder's priming
// packet (which the file's edit list skips); a range from elsewhere keeps the
// packet before its start, which the edit list skips likewise. The range that
// ends the demo has no successor to take over its last partial packet: it
// keeps every packet that starts before its end, and the last one is cut to
// the samples that lie within the range.
static int64_t gridStart(int64_t frame, int64_t frameSize)
{
    return (frame + frameSize - 1) / frameSize * frameSize - frameSize;
}

// The layout `codec` encodes for a tune of layout `tune`: the tune's own
// when the encoder has it, else the encoder's with the most channels up to
// the tune's, so that the converter only mixes where it must.
static void chooseLayout(const AVCodec* codec, const AVChannelLayout& tune, AVChannelLayout& chosen)
{
    const AVChannelLayout* best = nullptr;
    for (const AVChannelLayout* layout = codec->ch_layouts; layout != nullptr && layout->nb_channels > 0; ++layout) {
        if (av_channel_layout_compare(layout, &tune) == 0) {
            best = layout;
            break;
        }
        if (layout->nb_channels <= tune.nb_channels && (best == nullptr || layout->nb_channels > best->nb_channels))
            best = layout;
    }
    av_channel_layout_copy(&chosen, best != nullptr ? best : &tune);
}

static bool openAudio(VideoFileWriter::State& state, const ExportSound& sound, std::string& problem)
{
    std::string tuneProblem;
    std::unique_ptr<TuneDecoder> probe; // the tune's format, before the encoder is chosen
    const std::shared_ptr<TuneFile> file = TuneFile::open(sound.tunePath.c_str(), tuneProblem);
    if (!file || !(probe = file->openDecoder(tuneProblem))) {
        problem = sound.tunePath + ": " + tuneProblem;
        return false;
    }
    const int sampleRate = probe->sampleRate();
    const int channels = probe->channels();
    probe.reset();
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (codec == nullptr) {
        problem = "this FFmpeg has no AAC encoder";
        return false;
    }
    state.audioStream = avformat_new_stream(state.container, nullptr);
    state.audio = avcodec_alloc_context3(codec);
    if (state.audioStream == nullptr || state.audio == nullptr) {
        problem = "out of memory";
        return false;
    }
    AVCodecContext* audio = state.audio;
    audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
    audio->sample_rate = sampleRate;
    // The decoder hands out the tune's channels in the order of its WAV mask.
    AVChannelLayout tuneLayout{};
    av_channel_layout_from_mask(&tuneLayout, TuneDecoder::channelMask(channels));
    chooseLayout(codec, tuneLayout, audio->ch_layout);
    const int encodedChannels = audio->ch_layout.nb_channels;
    audio->bit_rate = 96000 * std::min(encodedChannels, 2) + 64000 * std::max(encodedChannels - 2, 0);
    audio->time_base = AVRational{1, audio->sample_rate};
    audio->flags |= AV_CODEC_FLAG_BITEXACT;
    if (state.container->oformat->flags & AVFMT_GLOBALHEADER)
        audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(audio, codec, nullptr);
    if (result < 0) {
        problem = ffmpegError("the AAC encoder refuses the tune's format", result);
        return false;
    }
    avcodec_parameters_from_context(state.audioStream->codecpar, audio);
    state.audioStream->time_base = audio->time_base;

    state.audioFrame = av_frame_alloc();
    if (state.audioFrame == nullptr) {
        problem = "out of memory";
        return false;
    }
    state.audioFrame->format = audio->sample_fmt;
    state.audioFrame->sample_rate = audio->sample_rate;
    state.audioFrame->nb_samples = audio->frame_size;
    av_channel_layout_copy(&state.audioFrame->ch_layout, &audio->ch_layout);
    if (av_frame_get_buffer(state.audioFrame, 0) < 0) {
        problem = "out of memory";
        return false;
    }
    state.samples.resize(static_cast<size_t>(audio->frame_size) * channels);
    state.tuneChannels = channels;

    // The encoder is fed from the start of the first kept packet's window
    // (the packet before it only primes the encoder) to the end of the last
    // kept packet's window, with the tune's own sound on both sides of the
    // range, so every kept packet encodes the sound around it, not silence.
    // The range that ends the demo is fed to its end exactly: the encoder
    // gives its last packet the duration of the samples it holds.
    const int64_t frameSize = audio->frame_size;
    const int64_t endFrame = static_cast<int64_t>(sound.endFrame);
    state.soundFirst = static_cast<int64_t>(sound.firstFrame);
    state.keepFrom = gridStart(static_cast<int64_t>(sound.firstFrame), frameSize);
    state.keepTo = sound.toTheEnd ? endFrame : gridStart(endFrame, frameSize);
    state.feedNext = state.keepFrom;
    state.feedEnd = sound.toTheEnd ? endFrame : state.keepTo + frameSize;
    state.tunePath = sound.tunePath;
    if (!state.tune.open(sound.tunePath.c_str(), static_cast<uint64_t>(std::max<int64_t>(state.feedNext, 0)),
                         static_cast<uint64_t>(std::max<int64_t>(state.feedEnd, 0)), tuneProblem)) {
        problem = sound.tunePath + ": " + tuneProblem;
        return false;
    }

    // Interleaved 16-bit to planar float, and the tune's speakers onto the
    // encoder's where AAC has no layout for them (quadraphonic, 6.1).
    result = swr_alloc_set_opts2(&state.converter, &audio->ch_layout, AV_SAMPLE_FMT_FLTP, audio->sample_rate,
                                 &tuneLayout, AV_SAMPLE_FMT_S16, audio->sample_rate, 0, nullptr);
    if (result < 0 || swr_init(state.converter) < 0) {
        problem = "no sample conversion for the tune's format";
        return false;
    }
    return true;
}

// Feeds the encoder whole frames of sound up to tune frame `until`; with
// `toTheEnd` everything left, then flushes it.
static int writeSound(VideoFileWriter::State& state, int64_t until, bool toTheEnd)
{
    if (state.audio == nullptr)
        return 0;
    const int frameSize = state.audio->frame_size;
    const int channels = state.tuneChannels;
    while (state.feedNext < state.feedEnd && (toTheEnd || state.feedNext + frameSize <= until)) {
        int result = av_frame_make_writable(state.audioFrame);
        if (result < 0)
            return result;
        // A whole encoder frame, but for the last one of a range that ends the demo.
        const int count = static_cast<int>(std::min<int64_t>(frameSize, state.feedEnd - state.feedNext));
        // Before the tune's start there is silence (the grid may begin there).
        const int silent = static_cast<int>(std::min<int64_t>(std::max<int64_t>(-state.feedNext, 0), count));
        std::fill(state.samples.begin(), state.samples.begin() + silent * channels, int16_t{0});
        state.tune.read(state.samples.data() + static_cast<size_t>(silent) * channels, count - silent);
        const uint8_t* input = reinterpret_cast<const uint8_t*>(state.samples.data());
        result = swr_convert(state.converter, state.audioFrame->data, count, &input, count);
        if (result < 0)
            return result;
        state.audioFrame->nb_samples = count;
        state.audioFrame->pts = state.feedNext - state.soundFirst;
        state.feedNext += count;
        result = encodeAndWrite(state, state.audio, state.audioStream, state.audioFrame,
                                state.keepFrom - state.soundFirst, state.keepTo - state.soundFirst);
        if (result < 0)
            return result;
    }
    if (toTheEnd)
        return encodeAndWrite(state, state.audio, state.audioStream, nullptr, state.keepFrom - state.soundFirst,
                              state.keepTo - state.soundFirst);
    return 0;
}

// Whether the sound read so far met damaged data in the tune, which would
// make the rest of it silent or out of step; if so, says where in `problem`.
static bool tuneDamaged(const VideoFileWriter::State& state, std::string& problem)
{
    if (state.tune.damage().empty())
        return false;
    problem = state.tunePath + ": " + state.tune.damage() + "; nothing was written";
    return true;
}

// A time scale in which both a video frame and an audio sample last a whole
// number of ticks: the least common multiple of the two rates.
static int64_t movieTimescale(int fps, const AVCodecContext* audio)
{
    const int64_t rate = audio != nullptr ? audio->sample_rate : fps;
    const int64_t scale = fps / std::gcd<int64_t>(fps, rate) * rate;
    return scale <= INT32_MAX ? scale : fps;
}

VideoFileWriter::VideoFileWriter() = default;

VideoFileWriter::~VideoFileWriter()
{
    discard();
}

bool VideoFileWriter::open(const std::string& finalPath, const VideoSettings& settings, const ExportSound& sound,
                           std::string& problem)
{
    discard();
    auto state = std::make_unique<State>();
    state->finalPath = finalPath;
    state->temporaryPath = ExportTarget::temporaryPath(finalPath);
    state->width = settings.width;
    state->height = settings.height;
    state->fps = settings.fps;

    // FFmpeg's own chatter (encoder statistics and the like) stays off the
    // console; its errors still show.
    av_log_set_level(AV_LOG_ERROR);
    const char* formatName = settings.kind == ExportKind::Matroska ? "matroska" : "mp4";
    // The muxer reopens its file by this name to move the index to the front.
    int result = avformat_alloc_output_context2(&state->container, nullptr, formatName, state->temporaryPath.c_str());
    state->packet = av_packet_alloc();
    if (result < 0 || state->container == nullptr || state->packet == nullptr) {
        problem = "this FFmpeg cannot write " + std::string(formatName);
        return false;
    }
    state->container->flags |= AVFMT_FLAG_BITEXACT;
    if (!openVideo(*state, settings, problem))
        return false;
    if (!sound.tunePath.empty() && !openAudio(*state, sound, problem))
        return false;

    result = avio_open(&state->container->pb, state->temporaryPath.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) {
        problem = ffmpegError("cannot write here", result);
        return false;
    }
    state->fileOpen = true;
    state_ = std::move(state); // from here on discard() removes the file

    AVDictionary* options = nullptr;
    if (settings.kind == ExportKind::Mp4) {
        av_dict_set(&options, "movflags", "+faststart", 0); // playable while it downloads
        // The file's duration and edit lists count in the movie's time scale,
        // by default milliseconds: a segment of 50 frames at 60 fps would last
        // 834 ms, and every segment joined after it would start 0.67 ms late.
        // A scale that counts frames and samples exactly keeps joins exact.
        av_dict_set_int(&options, "movie_timescale", movieTimescale(settings.fps, state_->audio), 0);
    }
    result = avformat_write_header(state_->container, &options);
    av_dict_free(&options);
    if (result < 0) {
        problem = ffmpegError("cannot start the file", result);
        discard();
        return false;
    }
    return true;
}

bool VideoFileWriter::writeFrame(const uint8_t* rgba, uint64_t index, std::string& problem)
{
    State& state = *state_;
    int result = av_frame_make_writable(state.picture);
    if (result < 0) {
        problem = ffmpegError("cannot encode", result);
        return false;
    }
    // GL's rows run bottom up: start at the last row and step backwards.
    const int stride = state.width * 4;
    const uint8_t* top[1] = {rgba + static_cast<size_t>(state.height - 1) * stride};
    const int strides[1] = {-stride};
    sws_scale(state.scaler, top, strides, 0, state.height, state.picture->data, state.picture->linesize);
    state.picture->pts = static_cast<int64_t>(index);
    result = encodeAndWrite(state, state.video, state.videoStream, state.picture);
    if (result >= 0 && state.audio != nullptr) {
        const int64_t soundUntil = state.soundFirst +
                                   static_cast<int64_t>(index + 1) * state.audio->sample_rate / state.fps;
        result = writeSound(state, soundUntil, false);
    }
    if (result < 0) {
        problem = ffmpegError("cannot encode", result);
        return false;
    }
    return !tuneDamaged(state, problem);
}

bool VideoFileWriter::finish(std::string& problem)
{
    State& state = *state_;
    int result = encodeAndWrite(state, state.video, state.videoStream, nullptr);
    if (result >= 0)
        result = writeSound(state, 0, true);
    if (result >= 0 && tuneDamaged(state, problem)) {
        discard();
        return false;
    }
    if (result >= 0)
        result = av_write_trailer(state.container);
    if (result >= 0) {
        result = avio_closep(&state.container->pb);
        state.fileOpen = false;
    }
    if (result < 0) {
        problem = ffmpegError("cannot complete the file", result);
        discard();
        return false;
    }
    if (std::rename(state.temporaryPath.c_str(), state.finalPath.c_str()) != 0) {
        problem = std::string("cannot put the finished file in place: ") + std::strerror(errno);
        discard();
        return false;
    }
    state_.reset();
    return true;
}

void VideoFileWriter::discard()
{
    if (!state_)
        return;
    const std::string temporary = state_->temporaryPath;
    state_.reset(); // closes the file first
    std::remove(temporary.c_str());
}
