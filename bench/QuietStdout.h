// QuietStdout: standard output pointed at /dev/null while it lives, so that
// a benchmark's set-up account and the scene's per-frame line stay out of
// its figures. Benchmarks only (POSIX file descriptors); one at a time.
#pragma once

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

class QuietStdout {
public:
    QuietStdout()
    {
        std::fflush(stdout);
        saved = dup(1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        close(null);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved;
};
