// Ogg Vorbis encoding with vorbisenc, a block of frames at a time, so memory
// does not grow with the length of the tune.
#include "OggWriter.h"

#include <algorithm>
#include <cstdio>

#include <vorbis/vorbisenc.h>

namespace {

constexpr int kBlockFrames = 4096;

bool writePage(std::FILE* out, const ogg_page& page)
{
    return std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), out) ==
               static_cast<size_t>(page.header_len) &&
           std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), out) == static_cast<size_t>(page.body_len);
}

// Moves every finished block through the encoder into pages on disk.
bool drainEncoder(std::FILE* out, vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream)
{
    bool ok = true;
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
            ogg_stream_packetin(&stream, &packet);
            while (ogg_stream_pageout(&stream, &page))
                ok = writePage(out, page) && ok;
        }
    }
    return ok;
}

} // namespace

bool writeOggVorbis(const std::string& path, const OggWriterFormat& format, long totalFrames,
                    const OggFrameSource& source)
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, format.channels, format.sampleRate, format.quality) != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);

    bool ok = true;
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page))
        ok = writePage(out, page) && ok;

    for (long done = 0; done < totalFrames; done += kBlockFrames) {
        const int frames = static_cast<int>(std::min<long>(kBlockFrames, totalFrames - done));
        float** buffers = vorbis_analysis_buffer(&dsp, frames);
        source(buffers, done, frames);
        vorbis_analysis_wrote(&dsp, frames);
        ok = drainEncoder(out, dsp, block, stream) && ok;
    }
    vorbis_analysis_wrote(&dsp, 0); // end of stream
    ok = drainEncoder(out, dsp, block, stream) && ok;
    while (ogg_stream_flush(&stream, &page))
        ok = writePage(out, page) && ok;

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return std::fclose(out) == 0 && ok;
}
