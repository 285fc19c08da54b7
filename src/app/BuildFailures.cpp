// Answering failed shader builds (see BuildFailures.h). Main thread.
#include "app/BuildFailures.h"

#include <cstdio>
#include <utility>

#include "platform/warning.h"

BuildReport BuildFailures::report() const
{
    switch (policy_) {
    case BuildFailurePolicy::Show:
        return BuildReport::Quiet;
    case BuildFailurePolicy::Fail:
        return BuildReport::Account;
    case BuildFailurePolicy::WaitForEnter:
        break;
    }
    return BuildReport::Console;
}

void BuildFailures::answer(const std::string& vertexPath, const std::string& fragmentPath, const BuildOutcome& outcome)
{
    if (outcome.built)
        return;
    if (policy_ == BuildFailurePolicy::WaitForEnter) {
        if (outcome.fragmentDidNotCompile) {
            // The picture stops here; say why and how to go on.
            platform_warn(fragmentPath,
                          "the player waits for Enter in this console before it goes on; --live "
                          "shows build errors in the window without waiting");
            app::waitForEnter();
        }
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
