// Image decoding for scene textures: the formats read, and JPEG files whose
// Huffman tables claim more codes than a table holds, which are refused
// before the decoder would write past its tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/ImageFile.h"

namespace {

std::vector<unsigned char> seedImage(const char* name)
{
    const char* source = std::getenv("DEMOPLAYER_SOURCE_DIR");
    std::string path = std::string(source ? source : ".") + "/fuzz/seeds/image_loader/" + name;
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file) << "cannot read " << path;
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Offset of the first DHT segment's first table (its class/id byte).
size_t firstHuffmanTable(const std::vector<unsigned char>& jpeg)
{
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC4)
            return i + 4;
    ADD_FAILURE() << "no Huffman table in the test JPEG";
    return 0;
}

// Decodes `bytes`, which must be an image.
struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
    const unsigned char* at(int x, int y) const { return &pixels[(static_cast<size_t>(y) * width + x) * 4]; }
};

Decoded decoded(const std::vector<unsigned char>& bytes)
{
    Decoded image;
    std::string problem;
    unsigned char* pixels = render::decodeImage(bytes.data(), bytes.size(), image.width, image.height, &problem);
    EXPECT_NE(pixels, nullptr) << problem;
    if (pixels != nullptr)
        image.pixels.assign(pixels, pixels + static_cast<size_t>(image.width) * image.height * 4);
    render::freeImagePixels(pixels);
    return image;
}

// `jpeg` with an APP1 segment after its start marker whose EXIF block gives `orientation`.
std::vector<unsigned char> withOrientation(const std::vector<unsigned char>& jpeg, int orientation, bool bigEndian)
{
    const unsigned char order = bigEndian ? 'M' : 'I';
    std::vector<unsigned char> segment = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0, order, order};
    const auto put = [&](unsigned value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            segment.push_back(static_cast<unsigned char>(value >> (8 * (bigEndian ? bytes - 1 - i : i))));
    };
    put(42, 2);
    put(8, 4);      // the first directory, right after the header
    put(1, 2);      // one entry:
    put(0x0112, 2); // orientation,
    put(3, 2);      // a short,
    put(1, 4);      // one of them,
    put(static_cast<unsigned>(orientation), 2);
    put(0, 2);
    put(0, 4); // no next directory
    segment[3] = static_cast<unsigned char>(segment.size() - 2);
    std::vector<unsigned char> result = jpeg;
    result.insert(result.begin() + 2, segment.begin(), segment.end());
    return result;
}

} // namespace

TEST(ImageFile, PhotosAreTurnedUprightAndRightToLeftTgasAreNotMirrored)
{
    const std::vector<unsigned char> jpeg = seedImage("tiny.jpg");
    const Decoded stored = decoded(jpeg);
    ASSERT_EQ(stored.width, 3);

    // 6: the camera was turned a quarter; 8: the other way (in little-endian EXIF).
    const Decoded turned = decoded(withOrientation(jpeg, 6, true));
    const Decoded turnedBack = decoded(withOrientation(jpeg, 8, false));
    ASSERT_EQ(turned.width, 2);
    ASSERT_EQ(turned.height, 3);
    ASSERT_EQ(turnedBack.width, 2);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 2; ++x) {
            EXPECT_EQ(std::memcmp(turned.at(x, y), stored.at(y, 1 - x), 4), 0) << x << "," << y;
            EXPECT_EQ(std::memcmp(turnedBack.at(x, y), stored.at(2 - y, x), 4), 0) << x << "," << y;
        }
    }

    std::vector<unsigned char> tga = seedImage("tiny.tga");
    const Decoded leftToRight = decoded(tga);
    tga[17] |= 0x10; // stored right to left
    const Decoded rightToLeft = decoded(tga);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(std::memcmp(rightToLeft.at(x, 0), leftToRight.at(2 - x, 0), 4), 0) << x;
}

TEST(ImageFile, ImagesLargerThanAllowedSayTheirSizeAndTheLimitBeforeDecoding)
{
    // A PNG header alone announces the size.
    const auto pngOf = [](unsigned width, unsigned height) { // 8-bit RGB
        std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
        for (unsigned value : {width, height})
            for (int shift = 24; shift >= 0; shift -= 8)
                png.push_back(static_cast<unsigned char>(value >> shift));
        for (unsigned char byte : {8, 2, 0, 0, 0, 0, 0, 0, 0})
            png.push_back(byte);
        return png;
    };
    int width = 0, height = 0;
    std::string problem;
    std::vector<unsigned char> wide = pngOf(10000, 400);
    EXPECT_EQ(render::decodeImage(wide.data(), wide.size(), width, height, &problem, 8192), nullptr);
    EXPECT_EQ(problem, "10000x400 pixels; the largest side allowed is 8192");
    std::vector<unsigned char> huge = pngOf(20000, 16000);
    EXPECT_EQ(render::decodeImage(huge.data(), huge.size(), width, height, &problem, 32768), nullptr);
    EXPECT_EQ(problem, "20000x16000 pixels take 1220 MB; at most 1024 MB per image are allowed");
}

TEST(ImageFile, DecodesEachFormatToRgba)
{
    for (const char* name : {"tiny.png", "tiny.jpg", "tiny.bmp", "tiny.tga", "tiny_grey.png"}) {
        SCOPED_TRACE(name);
        std::vector<unsigned char> bytes = seedImage(name);
        int width = 0, height = 0;
        unsigned char* pixels = render::decodeImage(bytes.data(), bytes.size(), width, height);
        ASSERT_NE(pixels, nullptr);
        EXPECT_EQ(width, 3);
        EXPECT_EQ(height, 2);
        EXPECT_EQ(pixels[3], 255) << "alpha of an opaque image";
        render::freeImagePixels(pixels);
    }
}

TEST(ImageFile, JpegWithOverfullHuffmanTableIsRefused)
{
    std::vector<unsigned char> jpeg = seedImage("tiny.jpg");
    ASSERT_TRUE(render::jpegHuffmanTablesFit(jpeg.data(), jpeg.size()));

    // 16 code lengths of 17 codes each: 272 codes for a table of 256.
    size_t table = firstHuffmanTable(jpeg);
    std::vector<unsigned char> overfull = jpeg;
    for (size_t i = 1; i <= 16 && table + i < overfull.size(); ++i)
        overfull[table + i] = 17;
    EXPECT_FALSE(render::jpegHuffmanTablesFit(overfull.data(), overfull.size()));
    int width = 0, height = 0;
    std::string problem;
    EXPECT_EQ(render::decodeImage(overfull.data(), overfull.size(), width, height, &problem), nullptr);
    EXPECT_EQ(problem, "corrupt JPEG (a Huffman table holds more than 256 codes)");

    // Fill bytes before the start marker: the decoder still reads a JPEG.
    std::vector<unsigned char> filled(4, 0xFF);
    filled.insert(filled.end(), overfull.begin(), overfull.end());
    EXPECT_FALSE(render::jpegHuffmanTablesFit(filled.data(), filled.size()));

    // A cut-off file counts missing bytes as zero, as the decoder reads them.
    std::vector<unsigned char> cut(jpeg.begin(), jpeg.begin() + static_cast<long>(table) + 3);
    EXPECT_TRUE(render::jpegHuffmanTablesFit(cut.data(), cut.size()));
}

TEST(ImageFile, WhatGivesNoImageSaysWhy)
{
    int width = 0, height = 0;
    std::string problem;
    EXPECT_EQ(render::loadImageFile("/nonexistent/image.png", width, height, &problem), nullptr);
    EXPECT_EQ(problem, "cannot open: No such file or directory");
#if !defined(_WIN32)
    EXPECT_EQ(render::loadImageFile("/dev/zero", width, height, &problem), nullptr);
    EXPECT_EQ(problem, "is a device");
#endif
    const unsigned char text[] = "not an image";
    EXPECT_EQ(render::decodeImage(text, sizeof text, width, height, &problem), nullptr);
    EXPECT_EQ(problem, "not a PNG, JPEG, BMP or TGA image");
    EXPECT_EQ(render::decodeImage(text, 0, width, height, &problem), nullptr);
    EXPECT_EQ(problem, "is empty");

    // A PNG cut after its header names the decoder's reason.
    std::vector<unsigned char> png = seedImage("tiny.png");
    png.resize(std::min<std::size_t>(png.size(), 40));
    EXPECT_EQ(render::decodeImage(png.data(), png.size(), width, height, &problem), nullptr);
    EXPECT_EQ(problem.rfind("cannot decode: ", 0), 0u) << problem;

    // A BMP 0 pixels wide and 2 high, which the decoder would accept.
    const unsigned char noWidth[] = {
        'B', 'M', 62, 0, 0,    0,    0, 0, 0,    0,    54, 0, 0, 0,                    // file header
        40,  0,   0,  0, 0,    0,    0, 0, 2,    0,    0,  0, 1, 0, 24, 0, 0, 0, 0, 0, // info header: 0 x 2, 24 bits
        8,   0,   0,  0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0,
        0,   0,   0,  0, 0,    0,    0, 0}; // two empty rows
    EXPECT_EQ(render::decodeImage(noWidth, sizeof noWidth, width, height, &problem), nullptr);
    EXPECT_EQ(problem, "has no pixels");
}
