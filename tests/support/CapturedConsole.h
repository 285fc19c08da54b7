// A console sink whose account and warnings a test reads, in place of the
// process's standard output and standard error. Main thread.
#pragma once

#include <sstream>
#include <string>

#include "platform/ConsoleSink.h"

struct CapturedConsole {
    std::ostringstream out; // the account
    std::ostringstream err; // warnings and errors
    ConsoleSink sink{out, err};

    // What was written to each since the last take, which is then forgotten.
    std::string takeOut() { return take(out); }
    std::string takeErr() { return take(err); }

private:
    static std::string take(std::ostringstream& stream)
    {
        std::string text = stream.str();
        stream.str("");
        return text;
    }
};
