// What an export came to (see ExportVerdict.h).
#include "export/ExportVerdict.h"

ExportVerdict exporting::exportVerdict(const ExportRunFacts& facts)
{
    if (facts.cancelled)
        return {ExportStatus::Cancelled, "export cancelled; nothing was written"};
    if (facts.drawFailed)
        return {ExportStatus::Failed, "a frame could not be drawn; nothing was written"};
    if (facts.readbackFailed)
        return {ExportStatus::Failed, "the GL implementation failed to read a frame back"};
    if (!facts.sinkProblem.empty())
        return {ExportStatus::Failed, facts.sinkProblem};
    if (facts.framesWritten != facts.framesWanted)
        return {ExportStatus::Failed, "not every frame reached the encoder"};
    return {ExportStatus::Done, ""};
}
