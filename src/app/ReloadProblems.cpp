// ReloadProblems (see ReloadProblems.h). Main thread.
#include "app/ReloadProblems.h"

#include <algorithm>

bool ReloadProblems::set(const std::string& key, const std::string& message)
{
    const bool alreadySaid = std::any_of(problems_.begin(), problems_.end(),
                                         [&](const ReloadProblem& problem) { return problem.message == message; });
    auto found = std::find_if(problems_.begin(), problems_.end(),
                              [&](const ReloadProblem& problem) { return problem.key == key; });
    if (found == problems_.end())
        problems_.push_back({key, message});
    else
        found->message = message;
    return !alreadySaid;
}

void ReloadProblems::clear(const std::string& key)
{
    clearWhere([&](const std::string& problemKey) { return problemKey == key; });
}

void ReloadProblems::clearWhere(const std::function<bool(const std::string& key)>& matches)
{
    problems_.erase(std::remove_if(problems_.begin(), problems_.end(),
                                   [&](const ReloadProblem& problem) { return matches(problem.key); }),
                    problems_.end());
}

std::vector<std::string> ReloadProblems::distinctMessages() const
{
    std::vector<std::string> messages;
    for (const ReloadProblem& problem : problems_)
        if (std::find(messages.begin(), messages.end(), problem.message) == messages.end())
            messages.push_back(problem.message);
    return messages;
}
