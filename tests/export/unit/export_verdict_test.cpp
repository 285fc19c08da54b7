// What an export comes to once its frames are drawn: every failure named, in
// the order that says the most.
#include <gtest/gtest.h>

#include "export/ExportVerdict.h"

namespace {

ExportRunFacts allWritten()
{
    ExportRunFacts facts;
    facts.framesWanted = 10;
    facts.framesWritten = 10;
    return facts;
}

} // namespace

TEST(ExportVerdict, EveryFrameWrittenIsDone)
{
    const ExportVerdict verdict = exporting::exportVerdict(allWritten());
    EXPECT_EQ(verdict.status, ExportStatus::Done);
    EXPECT_EQ(verdict.problem, "");
}

TEST(ExportVerdict, ACancelOutranksEveryFailure)
{
    ExportRunFacts facts = allWritten();
    facts.cancelled = facts.drawFailed = facts.readbackFailed = true;
    facts.sinkProblem = "disk full";
    const ExportVerdict verdict = exporting::exportVerdict(facts);
    EXPECT_EQ(verdict.status, ExportStatus::Cancelled);
    EXPECT_EQ(verdict.problem, "export cancelled; nothing was written");
}

TEST(ExportVerdict, FailuresAreSaidInOrderOfWhatStoppedTheFrames)
{
    ExportRunFacts facts = allWritten();
    facts.framesWritten = 3;
    EXPECT_EQ(exporting::exportVerdict(facts).problem, "not every frame reached the encoder");
    facts.sinkProblem = "frame00003.png: disk full";
    EXPECT_EQ(exporting::exportVerdict(facts).problem, "frame00003.png: disk full");
    facts.readbackFailed = true;
    EXPECT_EQ(exporting::exportVerdict(facts).problem, "the GL implementation failed to read a frame back");
    facts.drawFailed = true;
    const ExportVerdict verdict = exporting::exportVerdict(facts);
    EXPECT_EQ(verdict.status, ExportStatus::Failed);
    EXPECT_EQ(verdict.problem, "a frame could not be drawn; nothing was written");
}
