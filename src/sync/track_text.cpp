// The readable text form of a sync track, and writing track files.
//
// Used by the synctrack tool (and the tests); the player only reads track
// files. Any thread; no state is kept between calls.
#include "sync/track_text.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/file_read.h"

namespace {

const char* const kTypeNames[] = {"step", "linear", "smooth", "ramp"};
constexpr int kTypeCount = 4;
// The NaN that "nan" reads as; other NaNs are written with their bits.
constexpr uint32_t kPlainNanBits = 0x7fc00000u;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The whitespace-separated words of one line, without its comment.
std::vector<std::string> splitWords(const std::string& line)
{
    std::vector<std::string> words;
    size_t end = line.find('#');
    if (end == std::string::npos)
        end = line.size();
    size_t i = 0;
    while (i < end) {
        while (i < end && isBlank(line[i]))
            ++i;
        size_t start = i;
        while (i < end && !isBlank(line[i]))
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

bool parseRow(const std::string& word, int32_t& row, std::string& message)
{
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(word.c_str(), &end, 10);
    if (end != word.c_str() + word.size()) {
        message = "row must be a whole number, not \"" + word + "\"";
        return false;
    }
    if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX) {
        message = "row " + word + " is outside -2147483648..2147483647";
        return false;
    }
    row = static_cast<int32_t>(v);
    return true;
}

// A decimal float, inf or -inf, nan, or "nan:0x" and the NaN's 32 bits,
// which keeps its payload: every value a track file can hold has a form.
bool parseValue(const std::string& word, float& value, std::string& message)
{
    if (word.compare(0, 6, "nan:0x") == 0 && word.size() > 6 && word.size() <= 14 &&
        word.find_first_not_of("0123456789abcdefABCDEF", 6) == std::string::npos) {
        const uint32_t bits = static_cast<uint32_t>(std::strtoul(word.c_str() + 6, nullptr, 16));
        std::memcpy(&value, &bits, sizeof value);
        if (std::isnan(value))
            return true;
        message = "value " + word + " is not the bit pattern of a NaN";
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const float v = std::strtof(word.c_str(), &end);
    if (word.empty() || end != word.c_str() + word.size()) {
        message = "value must be a number, not \"" + word + "\"";
        return false;
    }
    // Infinity is written as inf; a number too large for a float is a slip.
    if (std::isinf(v) && errno == ERANGE) {
        message = "value " + word + " is outside the float range";
        return false;
    }
    value = v;
    return true;
}

// A type name, or any signed 8-bit number: the file holds one byte, and the
// types outside 0..3 that a file may carry must survive decode and encode.
bool parseType(const std::string& word, int32_t& type, std::string& message)
{
    for (int i = 0; i < kTypeCount; ++i) {
        if (word == kTypeNames[i]) {
            type = i;
            return true;
        }
    }
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(word.c_str(), &end, 10);
    if (!word.empty() && end == word.c_str() + word.size() && errno == 0 && number >= INT8_MIN && number <= INT8_MAX) {
        type = static_cast<int32_t>(number);
        return true;
    }
    message = "type must be step, linear, smooth, ramp or a number -128..127, not \"" + word + "\"";
    return false;
}

// Parses one line that holds words. False with a message when it is not a key.
bool parseKey(const std::vector<std::string>& words, SyncKey& key, std::string& message)
{
    if (words.size() < 3) {
        message = "expected a key: row value type";
        return false;
    }
    if (words.size() > 3) {
        message = "unexpected \"" + words[3] + "\" after the type";
        return false;
    }
    return parseRow(words[0], key.row, message) && parseValue(words[1], key.value, message) &&
           parseType(words[2], key.type, message);
}

void putInt32Le(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

uint32_t bitsOf(int32_t v)
{
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

uint32_t bitsOf(float v)
{
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

// Creates a new file beside `path` that did not exist before; its name goes to `temp`.
std::FILE* createTemporary(const char* path, std::string& temp)
{
    unsigned long long seed = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".tmp%06llx", (seed + attempt * 7919ull) & 0xffffffull);
        temp = std::string(path) + suffix;
        std::FILE* file = std::fopen(temp.c_str(), "wbx"); // fails if the name exists
        if (file || errno != EEXIST)
            return file;
    }
    errno = EEXIST;
    return nullptr;
}

} // namespace

bool sync_parse_text(const std::string& text, std::vector<SyncKey>& keys, SyncTextError& error)
{
    keys.clear();
    size_t start = 0;
    for (int line = 1; start <= text.size(); ++line) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::vector<std::string> words = splitWords(text.substr(start, end - start));
        start = end + 1;
        if (words.empty())
            continue;

        SyncKey key;
        std::string message;
        if (!parseKey(words, key, message)) {
            error = {line, message};
            return false;
        }
        if (!keys.empty() && key.row <= keys.back().row) {
            error = {line, "rows must increase"};
            return false;
        }
        if (keys.size() == static_cast<size_t>(INT32_MAX)) {
            error = {line, "too many keys for one track"};
            return false;
        }
        keys.push_back(key);
    }
    return true;
}

std::string sync_format_float(float value)
{
    if (std::isnan(value)) {
        uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        if (bits == kPlainNanBits)
            return "nan";
        char text[32];
        std::snprintf(text, sizeof text, "nan:0x%08x", static_cast<unsigned>(bits));
        return text;
    }
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string sync_format_text(const SyncKey* keys, int32_t count)
{
    std::string text;
    for (int32_t i = 0; i < count; ++i) {
        const SyncKey& key = keys[i];
        text += std::to_string(key.row);
        text += ' ';
        text += sync_format_float(key.value);
        text += ' ';
        // A type without a name came from a file made elsewhere; it stays a number.
        if (key.type >= 0 && key.type < kTypeCount)
            text += kTypeNames[key.type];
        else
            text += std::to_string(key.type);
        text += '\n';
    }
    return text;
}

std::vector<unsigned char> sync_encode_keys(const SyncKey* keys, int32_t count)
{
    constexpr size_t kKeyBytes = 9;
    std::vector<unsigned char> bytes(4 + kKeyBytes * static_cast<size_t>(count));
    putInt32Le(bytes.data(), bitsOf(count));
    for (int32_t i = 0; i < count; ++i) {
        unsigned char* p = bytes.data() + 4 + kKeyBytes * static_cast<size_t>(i);
        putInt32Le(p, bitsOf(keys[i].row));
        putInt32Le(p + 4, bitsOf(keys[i].value));
        p[8] = static_cast<unsigned char>(keys[i].type);
    }
    return bytes;
}

bool sync_write_track(const char* path, const SyncKey* keys, int32_t count, std::string& error)
{
    std::vector<unsigned char> bytes = sync_encode_keys(keys, count);

    std::string temp;
    std::FILE* file = createTemporary(path, temp);
    if (!file) {
        error = std::string("cannot create a file beside it: ") + std::strerror(errno);
        return false;
    }
    errno = 0;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    int writeError = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        writeError = errno;
    }
    if (!written) {
        error = std::string("cannot write: ") + std::strerror(writeError ? writeError : EIO);
        std::remove(temp.c_str());
        return false;
    }

    // Replaces an existing file in one step, on every system we build for.
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        error = "cannot replace it: " + ec.message();
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

bool sync_read_text(const char* path, std::vector<SyncKey>& keys, std::string& problem)
{
    // Text forms are small; a larger file is surely something else.
    constexpr uint64_t kMaxTextBytes = 64ull * 1024 * 1024;
    std::string text;
    if (platform_read_file(path, kMaxTextBytes, text, problem) != PLATFORM_READ_OK) {
        problem = std::string(path) + ": " + problem;
        return false;
    }
    SyncTextError error;
    if (!sync_parse_text(text, keys, error)) {
        problem = std::string(path) + ":" + std::to_string(error.line) + ": " + error.message;
        return false;
    }
    return true;
}

SyncTextAgreement sync_compare_text(const char* textPath, const char* trackPath, std::string& problem)
{
    std::vector<SyncKey> keys;
    if (!sync_read_text(textPath, keys, problem))
        return SYNC_TEXT_UNREADABLE;
    // Bytes after the last key are not part of the track.
    const std::vector<unsigned char> encoded = sync_encode_keys(keys.data(), static_cast<int32_t>(keys.size()));
    std::string track;
    uint64_t trackSize = 0;
    std::string trackProblem;
    const PlatformReadStatus read = platform_read_file_start(trackPath, encoded.size(), track, trackSize, trackProblem);
    if (read == PLATFORM_READ_MISSING)
        return SYNC_TEXT_NO_TRACK;
    if (read != PLATFORM_READ_OK || track.size() != encoded.size() ||
        std::memcmp(track.data(), encoded.data(), encoded.size()) != 0)
        return SYNC_TEXT_DIFFERS;
    return SYNC_TEXT_AGREES;
}
