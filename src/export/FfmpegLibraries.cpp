// FFmpeg's libraries loaded on first use, and the FFmpeg functions that
// VideoFileWriter calls, each forwarding to the loaded library's own (see
// FfmpegLibraries.h). The headers say which major version of each library
// the program was built against; the same major version is loaded, so the
// functions and their types are the ones compiled for.
#include "export/FfmpegLibraries.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace {

struct Libraries {
    bool loaded = false;
    std::string problem;   // why not, when not loaded
    void* handles[5] = {}; // in the order of kLibraries
};

struct Library {
    const char* name;
    int version;
};

// Each library after the ones it depends on.
const Library kLibraries[] = {{"avutil", LIBAVUTIL_VERSION_MAJOR},
                              {"swresample", LIBSWRESAMPLE_VERSION_MAJOR},
                              {"swscale", LIBSWSCALE_VERSION_MAJOR},
                              {"avcodec", LIBAVCODEC_VERSION_MAJOR},
                              {"avformat", LIBAVFORMAT_VERSION_MAJOR}};

// The libraries, loaded on the first call from any thread.
const Libraries& libraries()
{
    static const Libraries loaded = [] {
        Libraries libraries;
        for (std::size_t i = 0; i < sizeof kLibraries / sizeof kLibraries[0]; ++i) {
            libraries.handles[i] = platform_load_library(kLibraries[i].name, kLibraries[i].version, libraries.problem);
            if (libraries.handles[i] == nullptr)
                return libraries;
        }
        libraries.loaded = true;
        return libraries;
    }();
    return loaded;
}

// The loaded libraries' function `name`, as a `Function`. A forwarder is
// called only once the libraries have loaded, and a library of the major
// version built against has every function of its headers, so neither can
// fail unless the installation is broken; then the process ends with a line
// that says why.
template <typename Function> Function function(const char* name)
{
    const Libraries& loaded = libraries();
    for (void* handle : loaded.handles)
        if (PlatformFunction found = handle != nullptr ? platform_library_function(handle, name) : nullptr)
            return reinterpret_cast<Function>(found);
    std::fprintf(stderr, "FFmpeg: %s\n",
                 loaded.loaded ? (std::string("no function ") + name).c_str() : loaded.problem.c_str());
    std::abort();
}

} // namespace

bool exporting::loadFfmpegLibraries(std::string& problem)
{
    const Libraries& loaded = libraries();
    if (!loaded.loaded)
        problem = loaded.problem;
    return loaded.loaded;
}

// Each forwarder finds its function once.
#define FFMPEG_FUNCTION(name) static const auto real = function<decltype(&name)>(#name)

extern "C" {

// libavutil
AVFrame* av_frame_alloc()
{
    FFMPEG_FUNCTION(av_frame_alloc);
    return real();
}

void av_frame_free(AVFrame** frame)
{
    FFMPEG_FUNCTION(av_frame_free);
    real(frame);
}

int av_frame_get_buffer(AVFrame* frame, int align)
{
    FFMPEG_FUNCTION(av_frame_get_buffer);
    return real(frame, align);
}

int av_frame_make_writable(AVFrame* frame)
{
    FFMPEG_FUNCTION(av_frame_make_writable);
    return real(frame);
}

int av_dict_set(AVDictionary** dictionary, const char* key, const char* value, int flags)
{
    FFMPEG_FUNCTION(av_dict_set);
    return real(dictionary, key, value, flags);
}

int av_dict_set_int(AVDictionary** dictionary, const char* key, int64_t value, int flags)
{
    FFMPEG_FUNCTION(av_dict_set_int);
    return real(dictionary, key, value, flags);
}

void av_dict_free(AVDictionary** dictionary)
{
    FFMPEG_FUNCTION(av_dict_free);
    real(dictionary);
}

int av_strerror(int error, char* text, size_t size)
{
    FFMPEG_FUNCTION(av_strerror);
    return real(error, text, size);
}

void av_log_set_level(int level)
{
    FFMPEG_FUNCTION(av_log_set_level);
    real(level);
}

void av_channel_layout_default(AVChannelLayout* layout, int channels)
{
    FFMPEG_FUNCTION(av_channel_layout_default);
    real(layout, channels);
}

int av_channel_layout_copy(AVChannelLayout* destination, const AVChannelLayout* source)
{
    FFMPEG_FUNCTION(av_channel_layout_copy);
    return real(destination, source);
}

int av_channel_layout_from_mask(AVChannelLayout* layout, uint64_t mask)
{
    FFMPEG_FUNCTION(av_channel_layout_from_mask);
    return real(layout, mask);
}

int av_channel_layout_compare(const AVChannelLayout* layout, const AVChannelLayout* other)
{
    FFMPEG_FUNCTION(av_channel_layout_compare);
    return real(layout, other);
}

// libswresample
int swr_alloc_set_opts2(SwrContext** context, AVChannelLayout* outLayout, AVSampleFormat outFormat, int outRate,
                        AVChannelLayout* inLayout, AVSampleFormat inFormat, int inRate, int logOffset, void* logContext)
{
    FFMPEG_FUNCTION(swr_alloc_set_opts2);
    return real(context, outLayout, outFormat, outRate, inLayout, inFormat, inRate, logOffset, logContext);
}

int swr_init(SwrContext* context)
{
    FFMPEG_FUNCTION(swr_init);
    return real(context);
}

int swr_convert(SwrContext* context, uint8_t** out, int outCount, const uint8_t** in, int inCount)
{
    FFMPEG_FUNCTION(swr_convert);
    return real(context, out, outCount, in, inCount);
}

void swr_free(SwrContext** context)
{
    FFMPEG_FUNCTION(swr_free);
    real(context);
}

// libswscale
SwsContext* sws_getContext(int sourceWidth, int sourceHeight, AVPixelFormat sourceFormat, int width, int height,
                           AVPixelFormat format, int flags, SwsFilter* sourceFilter, SwsFilter* filter,
                           const double* parameters)
{
    FFMPEG_FUNCTION(sws_getContext);
    return real(sourceWidth, sourceHeight, sourceFormat, width, height, format, flags, sourceFilter, filter,
                parameters);
}

const int* sws_getCoefficients(int colourSpace)
{
    FFMPEG_FUNCTION(sws_getCoefficients);
    return real(colourSpace);
}

int sws_setColorspaceDetails(SwsContext* context, const int inverseTable[4], int sourceRange, const int table[4],
                             int range, int brightness, int contrast, int saturation)
{
    FFMPEG_FUNCTION(sws_setColorspaceDetails);
    return real(context, inverseTable, sourceRange, table, range, brightness, contrast, saturation);
}

int sws_scale(SwsContext* context, const uint8_t* const source[], const int sourceStride[], int sliceY, int sliceHeight,
              uint8_t* const destination[], const int destinationStride[])
{
    FFMPEG_FUNCTION(sws_scale);
    return real(context, source, sourceStride, sliceY, sliceHeight, destination, destinationStride);
}

void sws_freeContext(SwsContext* context)
{
    FFMPEG_FUNCTION(sws_freeContext);
    real(context);
}

// libavcodec
const AVCodec* avcodec_find_encoder(AVCodecID id)
{
    FFMPEG_FUNCTION(avcodec_find_encoder);
    return real(id);
}

const AVCodec* avcodec_find_encoder_by_name(const char* name)
{
    FFMPEG_FUNCTION(avcodec_find_encoder_by_name);
    return real(name);
}

AVCodecContext* avcodec_alloc_context3(const AVCodec* codec)
{
    FFMPEG_FUNCTION(avcodec_alloc_context3);
    return real(codec);
}

int avcodec_open2(AVCodecContext* context, const AVCodec* codec, AVDictionary** options)
{
    FFMPEG_FUNCTION(avcodec_open2);
    return real(context, codec, options);
}

int avcodec_parameters_from_context(AVCodecParameters* parameters, const AVCodecContext* context)
{
    FFMPEG_FUNCTION(avcodec_parameters_from_context);
    return real(parameters, context);
}

int avcodec_send_frame(AVCodecContext* context, const AVFrame* frame)
{
    FFMPEG_FUNCTION(avcodec_send_frame);
    return real(context, frame);
}

int avcodec_receive_packet(AVCodecContext* context, AVPacket* packet)
{
    FFMPEG_FUNCTION(avcodec_receive_packet);
    return real(context, packet);
}

void avcodec_free_context(AVCodecContext** context)
{
    FFMPEG_FUNCTION(avcodec_free_context);
    real(context);
}

AVPacket* av_packet_alloc()
{
    FFMPEG_FUNCTION(av_packet_alloc);
    return real();
}

void av_packet_rescale_ts(AVPacket* packet, AVRational from, AVRational to)
{
    FFMPEG_FUNCTION(av_packet_rescale_ts);
    real(packet, from, to);
}

void av_packet_unref(AVPacket* packet)
{
    FFMPEG_FUNCTION(av_packet_unref);
    real(packet);
}

void av_packet_free(AVPacket** packet)
{
    FFMPEG_FUNCTION(av_packet_free);
    real(packet);
}

// libavformat
int avformat_alloc_output_context2(AVFormatContext** context, const AVOutputFormat* format, const char* formatName,
                                   const char* fileName)
{
    FFMPEG_FUNCTION(avformat_alloc_output_context2);
    return real(context, format, formatName, fileName);
}

AVStream* avformat_new_stream(AVFormatContext* context, const AVCodec* codec)
{
    FFMPEG_FUNCTION(avformat_new_stream);
    return real(context, codec);
}

int avio_open(AVIOContext** io, const char* url, int flags)
{
    FFMPEG_FUNCTION(avio_open);
    return real(io, url, flags);
}

int avformat_write_header(AVFormatContext* context, AVDictionary** options)
{
    FFMPEG_FUNCTION(avformat_write_header);
    return real(context, options);
}

int av_interleaved_write_frame(AVFormatContext* context, AVPacket* packet)
{
    FFMPEG_FUNCTION(av_interleaved_write_frame);
    return real(context, packet);
}

int av_write_trailer(AVFormatContext* context)
{
    FFMPEG_FUNCTION(av_write_trailer);
    return real(context);
}

int avio_closep(AVIOContext** io)
{
    FFMPEG_FUNCTION(avio_closep);
    return real(io);
}

void avformat_free_context(AVFormatContext* context)
{
    FFMPEG_FUNCTION(avformat_free_context);
    real(context);
}

} // extern "C"
