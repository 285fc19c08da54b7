// ConsoleSink: where the player's layers write what they say. The account
// (the specified text of standard output: the description's walk, the
// shader reader's headers, compile logs, frame lines) goes to one stream,
// warnings and errors (one line each, naming the file) to another. main
// gives the process's standard output and standard error; a test gives
// string streams and reads them; a sink made without streams says nothing.
//
// Main thread (the two streams are not locked against each other). The
// sink owns nothing it is given: the streams outlive it.
#pragma once

#include <ostream>
#include <string>

class ConsoleSink {
public:
    // Says nothing: both streams discard what they are given.
    ConsoleSink();
    // Writes the account to `account` and warnings and errors to `errors`.
    ConsoleSink(std::ostream& account, std::ostream& errors);
    ConsoleSink(const ConsoleSink&) = delete;
    ConsoleSink& operator=(const ConsoleSink&) = delete;

    // The account, written as it is.
    std::ostream& out() { return *account_; }

    // One line "file: message" on the error stream, the account flushed
    // first so that a console showing both shows them in order.
    void warn(const std::string& file, const std::string& message);

    // One line on the error stream (its "\n" added), the account flushed first.
    void error(const std::string& line);

private:
    std::ostream discard_{nullptr}; // a stream without a buffer writes nothing
    std::ostream* account_;
    std::ostream* errors_;
};
