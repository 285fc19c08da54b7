// The console sink (see ConsoleSink.h). Main thread.
#include "platform/ConsoleSink.h"

ConsoleSink::ConsoleSink() : account_(&discard_), errors_(&discard_) {}

ConsoleSink::ConsoleSink(std::ostream& account, std::ostream& errors) : account_(&account), errors_(&errors) {}

void ConsoleSink::warn(const std::string& file, const std::string& message)
{
    error(file + ": " + message);
}

void ConsoleSink::error(const std::string& line)
{
    account_->flush();
    // One write of the whole line keeps it in one piece.
    const std::string whole = line + "\n";
    errors_->write(whole.data(), static_cast<std::streamsize>(whole.size()));
    errors_->flush();
}
