// BenchCommandLine: the command line every benchmark shares. --help (or -h)
// prints the benchmark's usage line and what it measures and prints, and
// exits 0; a wrong argument (an unknown option, one argument too many, a
// number that is not one or is out of range) gets one line on standard error
// and exit status 2, never a silent default. Benchmarks only; main thread.
#pragma once

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

class BenchCommandLine {
public:
    // Refuse: options and arguments beyond the count are refused.
    // PassThrough: the benchmark reads them itself (a player's options).
    enum class Options { Refuse, PassThrough };

    // `usage`: the arguments after the program's name ("[RUNS [OTHER_PLAYER]]");
    // `help`: what they mean and what the benchmark prints, ending in a line
    // break. Takes at most `mostArguments` positional arguments; an argument
    // that starts with '-' and is not a number is an unknown option.
    BenchCommandLine(int argc, char** argv, const char* name, const char* usage, const char* help, int mostArguments,
                     Options options = Options::Refuse)
        : name_(name)
    {
        for (int i = 1; i < argc; ++i) {
            const std::string argument = argv[i];
            if (argument == "--help" || argument == "-h") {
                std::printf("usage: %s%s%s\n%s", name, usage[0] != '\0' ? " " : "", usage, help);
                std::exit(0);
            }
            arguments_.push_back(argument);
        }
        if (options == Options::PassThrough)
            return;
        for (const std::string& argument : arguments_)
            if (isOption(argument))
                refuse("unknown option '" + argument + "'");
        if (static_cast<int>(arguments_.size()) > mostArguments)
            refuse("unexpected argument '" + arguments_[static_cast<size_t>(mostArguments)] + "'");
    }

    bool has(size_t index) const { return index < arguments_.size(); }
    const std::string& text(size_t index) const { return arguments_[index]; }

    // Argument `index` as a whole number of at least `least`; `fallback` when absent.
    int wholeNumber(size_t index, const char* what, int fallback, int least) const
    {
        if (!has(index))
            return fallback;
        const std::string& text = arguments_[index];
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || errno != 0 || value < least || value > 1000000000L)
            refuse(std::string(what) + " must be a whole number of at least " + std::to_string(least) + ", not '" +
                   text + "'");
        return static_cast<int>(value);
    }

    // Argument `index` as a number of at least `least`; `fallback` when absent.
    double number(size_t index, const char* what, double fallback, double least) const
    {
        if (!has(index))
            return fallback;
        const std::string& text = arguments_[index];
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !std::isfinite(value) || value < least) {
            char smallest[32];
            std::snprintf(smallest, sizeof smallest, "%g", least);
            refuse(std::string(what) + " must be a number of at least " + smallest + ", not '" + text + "'");
        }
        return value;
    }

    // One line on standard error, exit status 2.
    [[noreturn]] void refuse(const std::string& problem) const
    {
        std::fprintf(stderr, "%s: %s (see %s --help)\n", name_.c_str(), problem.c_str(), name_.c_str());
        std::exit(2);
    }

    // Whether `argument` reads as an option rather than a value.
    static bool isOption(const std::string& argument)
    {
        if (argument.size() < 2 || argument[0] != '-')
            return false;
        char* end = nullptr;
        std::strtod(argument.c_str(), &end);
        return *end != '\0';
    }

private:
    std::string name_;
    std::vector<std::string> arguments_;
};

namespace bench {

// main() of a Google Benchmark program: its --help first says what `name`
// measures (`help`), then lists the library's --benchmark_* options; any
// other argument is refused in one line with exit status 2.
inline int runGoogleBenchmarks(int argc, char** argv, const char* name, const char* help)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::printf("usage: %s [--benchmark_OPTION=VALUE...]\n%s\nThe benchmark library's options:\n", name, help);
            benchmark::PrintDefaultHelp();
            std::exit(0);
        }
    }
    benchmark::Initialize(&argc, argv);
    if (argc > 1) {
        std::fprintf(stderr, "%s: unknown argument '%s' (see %s --help)\n", name, argv[1], name);
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
