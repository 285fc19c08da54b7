// Reading and parsing "demo.json" text, and the shader_id conversion: the
// parts of the loader that need no GL context.
#include <cstdio>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "demo/DemoDescription.h"

namespace {

using nlohmann::json;

std::string nestedArrays(int levels)
{
    return std::string(static_cast<std::size_t>(levels), '[') + std::string(static_cast<std::size_t>(levels), ']');
}

// The what() text of the exception that `call` throws, or "" when none.
template <class Call>
std::string errorOf(Call call)
{
    try {
        call();
    } catch (const json::exception& error) {
        return error.what();
    }
    return "";
}

} // namespace

TEST(DescriptionParse, NestingUpTo256LevelsParses)
{
    EXPECT_NO_THROW(parseDescription(nestedArrays(256)));
    EXPECT_NO_THROW(parseDescription("{\"a\":" + nestedArrays(255) + "}"));
}

TEST(DescriptionParse, DeeperNestingIsRefusedWithItsOwnMessage)
{
    const std::string expected = "[json.exception.parse_error.101] parse error: nesting deeper than 256 levels";
    EXPECT_EQ(errorOf([] { parseDescription(nestedArrays(257)); }), expected);
    EXPECT_EQ(errorOf([] { parseDescription("{\"a\":" + nestedArrays(256) + "}"); }), expected);
    // Far deeper text must fail the same way, not exhaust the stack.
    EXPECT_EQ(errorOf([] { parseDescription(std::string(1000000, '[')); }), expected);
}

TEST(DescriptionParse, BadTextGivesTheLibrarysMessage)
{
    EXPECT_EQ(errorOf([] { parseDescription(""); }),
              "[json.exception.parse_error.101] parse error at line 1, column 1: syntax error while parsing value - "
              "unexpected end of input; expected '[', '{', or a literal");
    EXPECT_NE(errorOf([] { parseDescription("{\"name\": \"x\",}"); }).find("parse_error"), std::string::npos);
    EXPECT_NE(errorOf([] { parseDescription("{} {}"); }).find("parse_error"), std::string::npos);
}

TEST(DescriptionRead, StopsAtTheFirstByte0xFFAndReadsAMissingFileAsEmpty)
{
    const std::string path = testing::TempDir() + "description_read_test.json";
    {
        std::ofstream file(path, std::ios::binary);
        file << "{\"name\":\"x\",\"fullscreen\":false}\n\xff trailing bytes";
    }
    const std::string text = readDescriptionText(path.c_str());
    EXPECT_EQ(text, "{\"name\":\"x\",\"fullscreen\":false}\n");
    EXPECT_NO_THROW(parseDescription(text));
    std::remove(path.c_str());

    EXPECT_EQ(readDescriptionText(path.c_str()), "");
}

TEST(DescriptionShaderIndex, ConvertsLikeAnUnsigned32BitIndex)
{
    EXPECT_EQ(descriptionShaderIndex(json(1), 2), 1u);
    EXPECT_EQ(descriptionShaderIndex(json(1.9), 2), 1u) << "the fraction is dropped";
    EXPECT_EQ(descriptionShaderIndex(json(-0.5), 2), 0u) << "truncation toward zero";
    EXPECT_EQ(descriptionShaderIndex(json(0u), 1), 0u);
}

TEST(DescriptionShaderIndex, IndexWithoutAShaderIsOutOfRange)
{
    EXPECT_EQ(errorOf([] { descriptionShaderIndex(json(2), 2); }),
              "[json.exception.out_of_range.401] shader_id 2 is out of range");
    EXPECT_EQ(errorOf([] { descriptionShaderIndex(json(-1), 2); }),
              "[json.exception.out_of_range.401] shader_id -1 is out of range");
    EXPECT_EQ(errorOf([] { descriptionShaderIndex(json(0), 0); }),
              "[json.exception.out_of_range.401] shader_id 0 is out of range");
    // Values that would wrap into range as 32-bit numbers stay out of range.
    EXPECT_EQ(errorOf([] { descriptionShaderIndex(json(4294967296u), 2); }),
              "[json.exception.out_of_range.401] shader_id 4294967296 is out of range");
    EXPECT_EQ(errorOf([] { descriptionShaderIndex(json(4294967296.5), 2); }),
              "[json.exception.out_of_range.401] shader_id 4294967296.5 is out of range");
    EXPECT_EQ(errorOf([] { descriptionShaderIndex(json(-1.5), 2); }),
              "[json.exception.out_of_range.401] shader_id -1.5 is out of range");
    EXPECT_EQ(errorOf([] { descriptionShaderIndex(json(1e300), 2); }),
              "[json.exception.out_of_range.401] shader_id 1e+300 is out of range");
}

TEST(DescriptionShaderIndex, TypesAreNotConverted)
{
    EXPECT_EQ(errorOf([] { descriptionShaderIndex(json("1"), 2); }),
              "[json.exception.type_error.302] type must be number, but is string");
    EXPECT_EQ(errorOf([] { descriptionShaderIndex(json(), 2); }),
              "[json.exception.type_error.302] type must be number, but is null");
    EXPECT_EQ(errorOf([] { descriptionShaderIndex(json(true), 2); }),
              "[json.exception.type_error.302] type must be number, but is boolean");
}
