// Compiler logs with the shader's file name and line in place of GL's
// source number, in the forms the drivers write.
#include <gtest/gtest.h>

#include <string>

#include "render/ShaderLog.h"
#include "render/ShaderSource.h"

namespace {

// A shader of 12 lines at `path`, whose log is mapped.
std::string mapped(const std::string& log, const std::string& path)
{
    return ShaderSource::plain(path, std::string(12, '\n')).mapLog(log);
}

} // namespace

TEST(ShaderLog, DriverSourceNumbersBecomeFileLineColumn)
{
    EXPECT_EQ(mapped("0:12(3): error: syntax error, unexpected '}'\n", "plasma.fsh"),
              "plasma.fsh:12:3: error: syntax error, unexpected '}'\n");
    EXPECT_EQ(mapped("0(7) : error C0000: syntax error\n", "blur.fsh"), "blur.fsh:7: error C0000: syntax error\n");
    EXPECT_EQ(mapped("0:4: warning: unused\r\n0:5(1): error: x\n\n\n", "a.vsh"),
              "a.vsh:4: warning: unused\na.vsh:5:1: error: x\n");
    EXPECT_EQ(mapped("0:13(1): error: unexpected end of file\n", "a.fsh"),
              "a.fsh:13:1: error: unexpected end of file\n")
        << "past the last line";
    // WebGL's compilers put the kind first.
    EXPECT_EQ(mapped("ERROR: 0:9: 'x' : undeclared identifier\nERROR: 1 compilation errors.\n", "t.fsh"),
              "t.fsh:9: error: 'x' : undeclared identifier\nERROR: 1 compilation errors.\n");
    EXPECT_EQ(mapped("WARNING: 0:2: extension unsupported\n", "t.fsh"), "t.fsh:2: warning: extension unsupported\n");
}

TEST(ShaderLog, OtherLinesStayAsTheyAre)
{
    EXPECT_EQ(mapped("error: linking failed\n", "a.fsh"), "error: linking failed\n");
    EXPECT_EQ(mapped("10 apples: 3\n0:x: y\n", "a.fsh"), "10 apples: 3\n0:x: y\n");
    EXPECT_EQ(mapped("", "a.fsh"), "");
    EXPECT_EQ(mapped("0:3(2) no colon", "a.fsh"), "0:3(2) no colon\n");
}

TEST(ShaderLog, TheLineShownForAFailedBuildIsItsFirstError)
{
    EXPECT_EQ(render::firstErrorLine("a.fsh:2:1: warning: unused\na.fsh:5:3: error: no such name\na.fsh:6: error: x"),
              "a.fsh:5:3: error: no such name");
    EXPECT_EQ(render::firstErrorLine("0(5) : error C0000: syntax"), "0(5) : error C0000: syntax");
    EXPECT_EQ(render::firstErrorLine("a.fsh: cannot open: No such file\nmore"), "a.fsh: cannot open: No such file");
}
