// Output names of exports: what each kind of name asks for, how frame
// numbers are written, and names that must be refused before anything is
// written (including ones that would reach a printf conversion).
#include <gtest/gtest.h>

#include <string>

#include "export/ExportTarget.h"

namespace {

ExportTarget parsed(const std::string& name)
{
    ExportTarget target;
    std::string problem;
    EXPECT_TRUE(target.parse(name, problem)) << name << ": " << problem;
    return target;
}

} // namespace

TEST(ExportTarget, VideoNamesChooseTheirContainer)
{
    EXPECT_EQ(parsed("demo.mp4").kind(), ExportKind::Mp4);
    EXPECT_EQ(parsed("out/DEMO.MP4").kind(), ExportKind::Mp4);
    EXPECT_EQ(parsed("demo.mkv").kind(), ExportKind::Matroska);
    EXPECT_TRUE(parsed("demo.mkv").isVideo());
    EXPECT_EQ(ExportTarget::temporaryPath("out/demo.mp4").rfind("out/demo.mp4.", 0), 0u)
        << "the temporary file lies beside the final one";
}

TEST(ExportTarget, ImageSequencesNumberFramesAndNameTheirSound)
{
    const ExportTarget padded = parsed("shots/frame%05d.png");
    EXPECT_EQ(padded.kind(), ExportKind::ImageSequence);
    EXPECT_FALSE(padded.isVideo());
    EXPECT_EQ(padded.framePath(0), "shots/frame00000.png");
    EXPECT_EQ(padded.framePath(123456), "shots/frame123456.png") << "wider numbers are not cut";
    EXPECT_EQ(padded.soundPath(), "shots/frame.wav");

    EXPECT_EQ(parsed("f%d.png").framePath(42), "f42.png");
    EXPECT_EQ(parsed("f%4d.PNG").framePath(7), "f   7.PNG");
    const ExportTarget percent = parsed("100%%_%03d_x.png");
    EXPECT_EQ(percent.framePath(5), "100%_005_x.png");
    EXPECT_EQ(percent.soundPath(), "100%__x.wav");
}

TEST(ExportTarget, RefusesNamesItCannotWriteOrFormatSafely)
{
    const char* refused[] = {
        "demo.avi",          // unknown extension
        "demo",              // no extension
        "",                  // nothing
        "out/",              // a folder
        "frame%05d.jpg",     // images are PNG
        "frame%s.png",       // not a number conversion
        "frame%n.png",       // would write through printf
        "frame%5.2d.png",    // precision
        "frame%-5d.png",     // flags other than 0
        "frame%099d.png",    // absurd width
        "frame%d_%d.png",    // two numbers
        "shots%d/frame.png", // the number in a folder's name
        "frame%",            // a lone percent sign
        "frame%%.png",       // no number at all
    };
    for (const char* name : refused) {
        ExportTarget target;
        std::string problem;
        EXPECT_FALSE(target.parse(name, problem)) << "'" << name << "' was accepted";
        EXPECT_FALSE(problem.empty()) << "'" << name << "' was refused without a reason";
    }
}
