// What follows a shader build that failed; the way the demo runs decides.
// The player waits for Enter after a fragment shader that does not compile,
// so the author can read its log before the demo goes on; live mode keeps
// every failure to draw over the picture and never waits; an export keeps
// them too and stops before its first frame.
//
// Main thread, during the builds: the start-up, the reload step, live reloads.
#pragma once

#include <string>
#include <vector>

#include "render/ShaderProgram.h"

enum class BuildFailurePolicy {
    WaitForEnter, // the player without options
    Show,         // live mode
    Fail,         // an export
};

// A shader program that did not build, and why.
struct ShaderBuildError {
    std::string vertexPath;
    std::string fragmentPath;
    std::string message; // one reason per line, each naming its file
};

class BuildFailures {
public:
    explicit BuildFailures(BuildFailurePolicy policy) : policy_(policy) {}

    // How builds speak: on the console; in live mode not at all (it shows
    // its failures in the window); in an export in the account on standard
    // output only (the export says its failure in one line of its own).
    BuildReport report() const;

    // True when a failure ends the run before its first frame (an export):
    // no stand-in program is needed for it.
    bool endsTheRun() const { return policy_ == BuildFailurePolicy::Fail; }

    // Answers one build of these two files: after a fragment shader that did
    // not compile, says on standard error that it waits and that --live would
    // not, and waits for Enter (WaitForEnter); keeps a failure (Show, Fail).
    void answer(const std::string& vertexPath, const std::string& fragmentPath, const BuildOutcome& outcome);

    // The failures kept so far.
    const std::vector<ShaderBuildError>& failures() const { return failures_; }
    // The failures kept so far, which are then forgotten.
    std::vector<ShaderBuildError> takeFailures();

private:
    BuildFailurePolicy policy_;
    std::vector<ShaderBuildError> failures_;
};

namespace app {

// The console's wait: one character of standard input, which in a console
// arrives with Enter. Characters typed ahead satisfy later waits, one each.
void waitForEnter();

} // namespace app
