// KeyboardTexture: key states and their texture. Main thread.
#include "render/KeyboardTexture.h"

namespace {

constexpr uint8_t kOn = 255;

bool inTexture(int keyCode)
{
    return keyCode > 0 && keyCode < KeyboardTexture::kKeys;
}

} // namespace

void KeyboardTexture::press(int keyCode)
{
    if (!inTexture(keyCode) || at(keyCode, Row::Held) != 0)
        return;
    at(keyCode, Row::Held) = kOn;
    at(keyCode, Row::Pressed) = kOn;
    at(keyCode, Row::Toggled) = at(keyCode, Row::Toggled) != 0 ? 0 : kOn;
    changed_ = true;
}

void KeyboardTexture::release(int keyCode)
{
    if (!inTexture(keyCode) || at(keyCode, Row::Held) == 0)
        return;
    at(keyCode, Row::Held) = 0;
    changed_ = true;
}

void KeyboardTexture::endFrame()
{
    for (int key = 0; key < kKeys; ++key) {
        if (at(key, Row::Pressed) != 0) {
            at(key, Row::Pressed) = 0;
            changed_ = true;
        }
    }
}

uint8_t KeyboardTexture::texel(int keyCode, Row row) const
{
    if (keyCode < 0 || keyCode >= kKeys)
        return 0;
    return texels_[static_cast<std::size_t>(row) * kKeys + keyCode];
}

void KeyboardTexture::upload()
{
    if (!texture_) {
        texture_ = GlName::generate(GlName::Kind::Texture);
        glBindTexture(GL_TEXTURE_2D, texture_.get());
        // The sites read it with texelFetch or at texel centres: nearest.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, kKeys, kRows, 0, GL_RED, GL_UNSIGNED_BYTE, texels_.data());
        changed_ = false;
        return;
    }
    if (!changed_)
        return;
    glBindTexture(GL_TEXTURE_2D, texture_.get());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kKeys, kRows, GL_RED, GL_UNSIGNED_BYTE, texels_.data());
    changed_ = false;
}
