// Compiler logs with file names (see ShaderLog.h). Pure; any thread.
#include "render/ShaderLog.h"

#include <cctype>

namespace {

// Longer line numbers than this are not a driver's.
constexpr std::size_t kMostLineDigits = 9;

// Reads digits at `at`, moving past them; false when there are none.
bool readNumber(const std::string& line, std::size_t& at, std::string& number)
{
    const std::size_t start = at;
    while (at < line.size() && std::isdigit(static_cast<unsigned char>(line[at])))
        ++at;
    number = line.substr(start, at - start);
    return at > start;
}

// Splits "0:L(C): rest" or "0(L) : rest" into L, C and " rest"; false for other lines.
bool splitReference(const std::string& line, std::string& row, std::string& column, std::string& message)
{
    std::size_t at = 0;
    std::string source;
    column.clear();
    if (!readNumber(line, at, source) || at >= line.size())
        return false;
    if (line[at] == ':') {
        ++at;
        if (!readNumber(line, at, row))
            return false;
        if (at < line.size() && line[at] == '(') {
            ++at;
            if (!readNumber(line, at, column) || at >= line.size() || line[at] != ')')
                return false;
            ++at;
        }
    } else if (line[at] == '(') {
        ++at;
        if (!readNumber(line, at, row) || at >= line.size() || line[at] != ')')
            return false;
        ++at;
    } else {
        return false;
    }
    while (at < line.size() && line[at] == ' ')
        ++at;
    if (at >= line.size() || line[at] != ':' || row.size() > kMostLineDigits)
        return false;
    message = line.substr(at + 1);
    return true;
}

// Splits a line of WebGL's compilers (ANGLE, glslang), which put the kind
// first ("ERROR: 0:L: rest"), as splitReference does, the kind moved into
// the message (" error: rest"); false for other lines.
bool splitKindFirstReference(const std::string& line, std::string& row, std::string& column, std::string& message)
{
    static const char* const kKinds[] = {"ERROR: ", "WARNING: "};
    for (const char* kind : kKinds) {
        const std::string prefix(kind);
        if (line.compare(0, prefix.size(), prefix) != 0)
            continue;
        if (!splitReference(line.substr(prefix.size()), row, column, message))
            return false;
        std::string lower = prefix.substr(0, prefix.size() - 2);
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        message = " " + lower + ":" + message;
        return true;
    }
    return false;
}

} // namespace

std::string render::rewriteShaderLog(const std::string& log, const ShaderLogLineRewrite& rewrite)
{
    std::string rewritten;
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        std::string line = log.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string row, column, message;
        const bool reference = splitReference(line, row, column, message) ||
                               splitKindFirstReference(line, row, column, message);
        rewritten += reference ? rewrite(std::stoi(row), column, message) : line;
        rewritten += '\n';
        start = end + 1;
    }
    while (rewritten.size() >= 2 && rewritten[rewritten.size() - 1] == '\n' && rewritten[rewritten.size() - 2] == '\n')
        rewritten.pop_back();
    return rewritten;
}

std::string render::firstErrorLine(const std::string& log)
{
    std::string first;
    std::size_t start = 0;
    while (start <= log.size()) {
        std::size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        const std::string line = log.substr(start, end - start);
        std::string lower = line;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower.find(": error") != std::string::npos)
            return line;
        if (start == 0)
            first = line;
        start = end + 1;
    }
    return first;
}
