// Image decoding for scene textures: the formats read, and JPEG files whose
// Huffman tables claim more codes than a table holds, which are refused
// before the decoder would write past its tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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

} // namespace

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
