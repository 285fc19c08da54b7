// Export progress: a bar rewritten in place on a terminal, plain lines every
// few seconds elsewhere, and sensible figures for frames per second and time left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "export/ExportProgress.h"

namespace {

// Everything written to `file` so far.
std::string contents(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
        text += static_cast<char>(c);
    return text;
}

size_t count(const std::string& text, char c)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), c));
}

} // namespace

TEST(ExportProgress, PipesGetAPlainLineEveryFewSeconds)
{
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    ExportProgress progress(file, false, 600);
    for (int frame = 1; frame <= 300; ++frame)
        progress.update(static_cast<uint64_t>(frame), frame / 20.0); // 20 fps for 15 s
    progress.finish(300, 15.0);
    const std::string text = contents(file);
    std::fclose(file);

    EXPECT_EQ(count(text, '\n'), 4u) << "lines at 5, 10 and 15 s, and the last one:\n" << text;
    EXPECT_EQ(count(text, '\r'), 0u) << "no terminal control in a pipe";
    EXPECT_NE(text.find("export: 100/600 frames, 20.0 fps, 0:25 left\n"), std::string::npos) << text;
}

TEST(ExportProgress, TerminalsGetOneBarRewrittenInPlace)
{
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    ExportProgress progress(file, true, 100);
    for (int frame = 1; frame <= 100; ++frame)
        progress.update(static_cast<uint64_t>(frame), frame * 0.01); // 100 fps for 1 s
    progress.finish(100, 1.0);
    const std::string text = contents(file);
    std::fclose(file);

    EXPECT_EQ(count(text, '\n'), 1u) << "one line break, after the final bar";
    EXPECT_GE(count(text, '\r'), 5u);
    EXPECT_LE(count(text, '\r'), 12u) << "redrawn about ten times a second, not every frame";
    EXPECT_NE(text.find("[##############################] 100/100 frames, 100.0 fps, 0:00 left"), std::string::npos)
        << text;
}

TEST(ExportProgress, FiguresStayReadableAtTheExtremes)
{
    ExportProgress progress(nullptr, true, 90000);
    EXPECT_EQ(progress.barText(0, 0.0).find("0/90000 frames, 0.0 fps, --:-- left"), 33u) << progress.barText(0, 0.0);
    EXPECT_NE(progress.barText(1, 1.0).find("24:59:59 left"), std::string::npos) << progress.barText(1, 1.0);
    EXPECT_NE(progress.lineText(95000, 10.0).find("90000/90000"), std::string::npos)
        << "never more frames than the export has";
}

TEST(ExportProgress, TheCountIncludesTheWarmUpAndSaysWhileItLasts)
{
    ExportProgress progress(nullptr, false, 300, 100);
    EXPECT_EQ(progress.lineText(40, 2.0), "export: 40/300 frames (warming up), 20.0 fps, 0:13 left");
    EXPECT_EQ(progress.lineText(100, 5.0), "export: 100/300 frames, 20.0 fps, 0:10 left") << "the range's own frames";
}
