// libFuzzer target: any bytes as the content of a scene's image file.
//
// Runs the player's own image decoding on the bytes, as a texture load does.
// A decoded image must have a size within the player's limits, and its
// pixels must be readable to the end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "render/ImageFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int width = 0, height = 0;
    unsigned char* pixels = render::decodeImage(data, size, width, height);
    if (pixels == nullptr)
        return 0;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide)
        std::abort();
    // Touch the last pixel: a short buffer shows up under AddressSanitizer.
    volatile unsigned char last = pixels[static_cast<size_t>(width) * height * 4 - 1];
    (void)last;
    render::freeImagePixels(pixels);
    return 0;
}
