// Libraries loaded at run time (as the export loads FFmpeg's): found by name
// and major version as the system names them, their functions callable, and
// a missing one named with the system's reason.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

TEST(PlatformLibrary, LoadsByNameAndVersionAndFindsItsFunctions)
{
    std::string problem;
    void* maths = platform_load_library("m", 6, problem);
    ASSERT_NE(maths, nullptr) << problem;
    const auto cosine = reinterpret_cast<double (*)(double)>(platform_library_function(maths, "cos"));
    ASSERT_NE(cosine, nullptr);
    EXPECT_EQ(cosine(0.0), 1.0);
    EXPECT_EQ(platform_library_function(maths, "no_such_function"), nullptr);

    EXPECT_EQ(platform_load_library("demoplayer-missing", 3, problem), nullptr);
    EXPECT_NE(problem.find("libdemoplayer-missing.so.3"), std::string::npos) << problem;
}
