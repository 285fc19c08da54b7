// MediaProbe: decoding and stream-copying exported files with libavformat/libavcodec.
#include "MediaProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {

std::string errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return text;
}

struct Decoder {
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    ~Decoder() { avcodec_free_context(&codec); }
};

bool openDecoder(AVFormatContext* input, AVMediaType type, Decoder& decoder)
{
    const int index = av_find_best_stream(input, type, -1, -1, nullptr, 0);
    if (index < 0)
        return false;
    decoder.stream = input->streams[index];
    const AVCodec* codec = avcodec_find_decoder(decoder.stream->codecpar->codec_id);
    decoder.codec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder.codec, decoder.stream->codecpar);
    decoder.codec->pkt_timebase = decoder.stream->time_base;
    return avcodec_open2(decoder.codec, codec, nullptr) == 0;
}

void takeVideoFrame(DecodedMedia& media, const AVFrame* frame, const AVStream* stream, SwsContext*& scaler,
                    std::vector<uint8_t>& rgb)
{
    if (media.frameSeconds.empty())
        media.firstFrameIsKey = frame->key_frame != 0;
    const int64_t pts = frame->best_effort_timestamp;
    media.frameSeconds.push_back(static_cast<double>(pts) * av_q2d(stream->time_base));
    if (scaler == nullptr) {
        scaler = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
                                frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
        sws_setColorspaceDetails(scaler, sws_getCoefficients(SWS_CS_ITU709), 0, sws_getCoefficients(SWS_CS_ITU709), 1,
                                 0, 1 << 16, 1 << 16);
        rgb.resize(static_cast<size_t>(frame->width) * frame->height * 3);
    }
    uint8_t* planes[1] = {rgb.data()};
    const int strides[1] = {frame->width * 3};
    sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    const size_t centre = (static_cast<size_t>(frame->height / 2) * frame->width + frame->width / 2) * 3;
    media.centreColour.push_back(static_cast<uint32_t>(rgb[centre]) << 16 |
                                 static_cast<uint32_t>(rgb[centre + 1]) << 8 | rgb[centre + 2]);
}

void takeSoundFrame(DecodedMedia& media, const AVFrame* frame, const AVStream* stream)
{
    if (media.soundMono.empty() && frame->best_effort_timestamp != AV_NOPTS_VALUE)
        media.soundStartSeconds = static_cast<double>(frame->best_effort_timestamp) * av_q2d(stream->time_base);
    const int channels = frame->ch_layout.nb_channels;
    media.channelPeaks.resize(static_cast<size_t>(channels)); // sums of squares until decodeMedia ends
    for (int i = 0; i < frame->nb_samples; ++i) {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c) {
            const float value = reinterpret_cast<const float*>(frame->extended_data[c])[i]; // AAC: planar float
            sum += value;
            media.channelPeaks[static_cast<size_t>(c)] += static_cast<double>(value) * value;
        }
        media.soundMono.push_back(sum / static_cast<float>(channels));
    }
}

} // namespace

DecodedMedia decodeMedia(const std::string& path, const std::string& format)
{
    DecodedMedia media;
    AVFormatContext* input = nullptr;
    AVDictionary* options = nullptr;
    const AVInputFormat* inputFormat = nullptr;
    if (!format.empty()) {
        inputFormat = av_find_input_format(format.c_str());
        av_dict_set(&options, "safe", "0", 0);
    }
    int result = avformat_open_input(&input, path.c_str(), inputFormat, &options);
    av_dict_free(&options);
    if (result < 0) {
        media.problem = errorText(result);
        return media;
    }
    avformat_find_stream_info(input, nullptr);
    Decoder video;
    Decoder sound;
    if (!openDecoder(input, AVMEDIA_TYPE_VIDEO, video)) {
        media.problem = "no video stream";
        avformat_close_input(&input);
        return media;
    }
    openDecoder(input, AVMEDIA_TYPE_AUDIO, sound);
    media.opened = true;
    media.width = video.codec->width;
    media.height = video.codec->height;
    if (sound.codec != nullptr) {
        media.sampleRate = sound.codec->sample_rate;
        media.channels = sound.codec->ch_layout.nb_channels;
    }

    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* scaler = nullptr;
    std::vector<uint8_t> rgb;
    auto drain = [&](Decoder& decoder) {
        while (avcodec_receive_frame(decoder.codec, frame) == 0) {
            if (&decoder == &video)
                takeVideoFrame(media, frame, video.stream, scaler, rgb);
            else
                takeSoundFrame(media, frame, sound.stream);
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(input, packet) >= 0) {
        Decoder* decoder = nullptr;
        if (packet->stream_index == video.stream->index)
            decoder = &video;
        else if (sound.stream != nullptr && packet->stream_index == sound.stream->index) {
            decoder = &sound;
            media.soundEndSeconds = std::max(media.soundEndSeconds,
                                             static_cast<double>(packet->pts + packet->duration) *
                                                 av_q2d(sound.stream->time_base));
        }
        if (decoder != nullptr) {
            if (avcodec_send_packet(decoder->codec, packet) == 0)
                drain(*decoder);
            else
                ++media.decodeErrors;
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(video.codec, nullptr);
    drain(video);
    if (sound.codec != nullptr) {
        avcodec_send_packet(sound.codec, nullptr);
        drain(sound);
    }
    for (double& peak : media.channelPeaks)
        peak = std::sqrt(2.0 * peak / static_cast<double>(std::max<size_t>(media.soundMono.size(), 1)));
    if (sound.codec != nullptr) {
        char layout[64] = {0};
        av_channel_layout_describe(&sound.codec->ch_layout, layout, sizeof layout);
        media.channelLayout = layout;
    }
    sws_freeContext(scaler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&input);
    return media;
}

bool concatByStreamCopy(const std::vector<std::string>& parts, const std::string& listPath, const std::string& output,
                        std::string& problem)
{
    {
        std::ofstream list(listPath);
        for (const std::string& part : parts)
            list << "file '" << part << "'\n";
    }
    AVFormatContext* input = nullptr;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "safe", "0", 0);
    int result = avformat_open_input(&input, listPath.c_str(), av_find_input_format("concat"), &options);
    av_dict_free(&options);
    if (result < 0) {
        problem = "concat: " + errorText(result);
        return false;
    }
    avformat_find_stream_info(input, nullptr);
    AVFormatContext* out = nullptr;
    avformat_alloc_output_context2(&out, nullptr, nullptr, output.c_str());
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        AVStream* stream = avformat_new_stream(out, nullptr);
        avcodec_parameters_copy(stream->codecpar, input->streams[i]->codecpar);
        stream->codecpar->codec_tag = 0;
        stream->time_base = input->streams[i]->time_base;
    }
    result = avio_open(&out->pb, output.c_str(), AVIO_FLAG_WRITE);
    if (result >= 0)
        result = avformat_write_header(out, nullptr);
    AVPacket* packet = av_packet_alloc();
    while (result >= 0 && av_read_frame(input, packet) >= 0) {
        AVStream* from = input->streams[packet->stream_index];
        AVStream* to = out->streams[packet->stream_index];
        av_packet_rescale_ts(packet, from->time_base, to->time_base);
        packet->pos = -1;
        result = av_interleaved_write_frame(out, packet);
        av_packet_unref(packet);
    }
    if (result >= 0)
        result = av_write_trailer(out);
    if (result < 0)
        problem = "stream copy: " + errorText(result);
    av_packet_free(&packet);
    avio_closep(&out->pb);
    avformat_free_context(out);
    avformat_close_input(&input);
    return result >= 0;
}
