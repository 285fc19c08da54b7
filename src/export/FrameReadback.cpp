// FrameReadback: a ring of pixel buffer objects for asynchronous readback.
#include "export/FrameReadback.h"

#include <cstring>
#include <utility>

bool FrameReadback::open(int width, int height, int ringSize)
{
    close();
    width_ = width;
    height_ = height;
    fences_.resize(static_cast<size_t>(ringSize));
    for (int i = 0; i < ringSize; ++i) {
        buffers_.push_back(GlName::generate(GlName::Kind::Buffer));
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_.back().get());
        glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(frameBytes()), nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    if (glGetError() != GL_NO_ERROR) {
        close();
        return false;
    }
    return true;
}

void FrameReadback::close()
{
    buffers_.clear();
    fences_.clear();
    next_ = 0;
    pending_ = 0;
}

void FrameReadback::start()
{
    const size_t slot = static_cast<size_t>(next_);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[slot].get());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    fences_[slot] = GlName::fence();
    glFlush(); // the fence must reach the GPU, or waiting on it could last forever
    next_ = (next_ + 1) % static_cast<int>(buffers_.size());
    ++pending_;
}

bool FrameReadback::collect(uint8_t* pixels)
{
    if (pending_ == 0)
        return false;
    const int ring = static_cast<int>(buffers_.size());
    const size_t slot = static_cast<size_t>((next_ - pending_ + ring) % ring);
    --pending_;

    const GlName fence = std::move(fences_[slot]);
    if (fence) {
        const GLuint64 oneSecond = 1000000000;
        GLenum waited;
        do {
            waited = glClientWaitSync(fence.sync(), GL_SYNC_FLUSH_COMMANDS_BIT, oneSecond);
        } while (waited == GL_TIMEOUT_EXPIRED);
        if (waited == GL_WAIT_FAILED)
            return false;
    }

    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[slot].get());
    const void* mapped = glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(frameBytes()),
                                          GL_MAP_READ_BIT);
    bool copied = false;
    if (mapped != nullptr) {
        std::memcpy(pixels, mapped, frameBytes());
        copied = glUnmapBuffer(GL_PIXEL_PACK_BUFFER) == GL_TRUE;
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return copied;
}
