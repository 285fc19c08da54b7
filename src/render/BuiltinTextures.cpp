// Making the player's own textures (see BuiltinTextures.h). Main thread, GL
// context current; the pixel functions are pure.
#include "render/BuiltinTextures.h"

#include <cstdint>

#include "render/Texture.h"

namespace {

constexpr int kSide = BuiltinTextures::kSide;

// A well-mixed 32-bit hash of `value` (the finaliser of MurmurHash3).
uint32_t mixed(uint32_t value)
{
    value ^= value >> 16;
    value *= 0x85ebca6bu;
    value ^= value >> 13;
    value *= 0xc2b2ae35u;
    value ^= value >> 16;
    return value;
}

GlName upload(const std::vector<unsigned char>& pixels)
{
    return render::uploadImageTexture(pixels.data(), kSide, kSide);
}

} // namespace

std::vector<unsigned char> render::builtinNoisePixels()
{
    std::vector<unsigned char> pixels(static_cast<std::size_t>(kSide * kSide * 4));
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(mixed(static_cast<uint32_t>(i) + 0x9e3779b9u) >> 24);
    return pixels;
}

std::vector<unsigned char> render::builtinCheckerPixels()
{
    std::vector<unsigned char> pixels(static_cast<std::size_t>(kSide * kSide * 4));
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const bool white = ((x / BuiltinTextures::kCheckerSquare) + (y / BuiltinTextures::kCheckerSquare)) % 2 == 0;
            unsigned char* texel = &pixels[static_cast<std::size_t>((y * kSide + x) * 4)];
            texel[0] = texel[1] = texel[2] = white ? 255 : 0;
            texel[3] = 255;
        }
    return pixels;
}

std::vector<unsigned char> render::builtinStandInPixels(int number)
{
    static const unsigned char kGrid[BuiltinTextures::kStandIns][3] = {
        {255, 255, 255}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    const unsigned char* grid = kGrid[(number - 1 + BuiltinTextures::kStandIns) % BuiltinTextures::kStandIns];
    std::vector<unsigned char> pixels(static_cast<std::size_t>(kSide * kSide * 4));
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            unsigned char* texel = &pixels[static_cast<std::size_t>((y * kSide + x) * 4)];
            const bool line = x % 32 == 0 || y % 32 == 0;
            texel[0] = line ? grid[0] : static_cast<unsigned char>(x);
            texel[1] = line ? grid[1] : static_cast<unsigned char>(y);
            texel[2] = line ? grid[2] : 64;
            texel[3] = 255;
        }
    return pixels;
}

GLuint BuiltinTextures::noise()
{
    if (!noise_)
        noise_ = upload(render::builtinNoisePixels());
    return noise_.get();
}

GLuint BuiltinTextures::checker()
{
    if (!checker_)
        checker_ = upload(render::builtinCheckerPixels());
    return checker_.get();
}

GLuint BuiltinTextures::standIn(int number)
{
    if (number < 1 || number > kStandIns)
        return 0;
    GlName& texture = standIns_[static_cast<std::size_t>(number - 1)];
    if (!texture)
        texture = upload(render::builtinStandInPixels(number));
    return texture.get();
}

GLuint BuiltinTextures::noKeys()
{
    noKeys_.upload();
    return noKeys_.texture();
}
