// FileWarnings: one line per change of a file's problem.
#include "platform/FileWarnings.h"

#include "platform/ConsoleSink.h"

void FileWarnings::report(ConsoleSink& console, const std::string& file, const std::string& problem)
{
    auto found = lastProblems_.find(file);
    if (found != lastProblems_.end() && found->second == problem)
        return;
    lastProblems_[file] = problem;
    console.warn(file, problem);
}

void FileWarnings::clear(const std::string& file)
{
    lastProblems_.erase(file);
}
