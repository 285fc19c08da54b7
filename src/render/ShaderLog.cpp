// Compiler logs with file names (see ShaderLog.h). Pure; any thread.
#include "render/ShaderLog.h"

#include <cctype>

namespace {

// Reads digits at `at`, moving past them; false when there are none.
bool readNumber(const std::string& line, std::size_t& at, std::string& number)
{
    const std::size_t start = at;
    while (at < line.size() && std::isdigit(static_cast<unsigned char>(line[at])))
        ++at;
    number = line.substr(start, at - start);
    return at > start;
}

// "0:L(C): rest" or "0(L) : rest" as "path:L[:C]: rest"; other lines unchanged.
std::string nameLine(const std::string& line, const std::string& path)
{
    std::size_t at = 0;
    std::string source, row, column;
    if (!readNumber(line, at, source) || at >= line.size())
        return line;
    if (line[at] == ':') {
        ++at;
        if (!readNumber(line, at, row))
            return line;
        if (at < line.size() && line[at] == '(') {
            ++at;
            if (!readNumber(line, at, column) || at >= line.size() || line[at] != ')')
                return line;
            ++at;
        }
    } else if (line[at] == '(') {
        ++at;
        if (!readNumber(line, at, row) || at >= line.size() || line[at] != ')')
            return line;
        ++at;
    } else {
        return line;
    }
    while (at < line.size() && line[at] == ' ')
        ++at;
    if (at >= line.size() || line[at] != ':')
        return line;
    ++at;
    return path + ":" + row + (column.empty() ? "" : ":" + column) + ":" + line.substr(at);
}

} // namespace

std::string render::shaderLogWithFileName(const std::string& log, const std::string& path)
{
    std::string named;
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        std::string line = log.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        named += nameLine(line, path);
        named += '\n';
        start = end + 1;
    }
    while (named.size() >= 2 && named[named.size() - 1] == '\n' && named[named.size() - 2] == '\n')
        named.pop_back();
    return named;
}
