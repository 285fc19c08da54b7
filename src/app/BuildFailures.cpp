// Answering failed shader builds (see BuildFailures.h). Main thread.
#include "app/BuildFailures.h"

#include <cstdio>
#include <utility>

BuildReport BuildFailures::report() const
{
    return policy_ == BuildFailurePolicy::Show ? BuildReport::Quiet : BuildReport::Console;
}

void BuildFailures::answer(const std::string& vertexPath, const std::string& fragmentPath, const BuildOutcome& outcome)
{
    if (outcome.built)
        return;
    if (policy_ == BuildFailurePolicy::WaitForEnter) {
        if (outcome.fragmentDidNotCompile)
            app::waitForEnter();
        return;
    }
    failures_.push_back({vertexPath, fragmentPath, outcome.failure});
}

std::vector<ShaderBuildError> BuildFailures::takeFailures()
{
    return std::exchange(failures_, {});
}

void app::waitForEnter()
{
    std::getchar();
}
