// synctrack: makes and inspects the player's track files.
//
//   synctrack encode KEYS.txt OUT.track   text form -> track file
//   synctrack encode [--all] DIR OUT_DIR  every DIR/NAME.txt -> OUT_DIR/sync_NAME.track
//   synctrack decode FILE.track           track file -> text form on standard output
//   synctrack value FILE.track ROW...     the track's value at each row
//   synctrack --help
//
// Errors go to standard error as "file:line: message" (or "file: message")
// and end the tool with status 1; an output file is either written whole or
// left as it was. The parsing and formatting live in sync/track_text.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform.h"
#include "sync/device.h"
#include "sync/track_text.h"

namespace {

const char kUsage[] =
    "Usage: synctrack encode KEYS.txt OUT.track   write a track file from its text form\n"
    "       synctrack encode [--all] DIR OUT_DIR  write OUT_DIR/sync_NAME.track from every\n"
    "                                             DIR/NAME.txt that is newer (--all: every one)\n"
    "       synctrack decode FILE.track           print a track file's text form\n"
    "       synctrack value FILE.track ROW...     print the track's value at each row\n"
    "       synctrack --help                      print this text\n"
    "\n"
    "Text form: one key per line, \"row value type\". The row is a whole number,\n"
    "rows strictly increase; the value is a float (inf, -inf, nan and nan:0xBITS\n"
    "too); the type is step, linear, smooth, ramp or a number. Blank lines are\n"
    "allowed; '#' starts a comment. Values are printed with 9 significant digits\n"
    "and read back bit-exactly. Values that are not finite and types outside 0..3\n"
    "are kept, with a warning.\n";

int usageError()
{
    std::fputs(kUsage, stderr);
    return 1;
}

// Reads a whole file into `text`. False (errno set) when it cannot.
bool readTextFile(const char* path, std::string& text)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    char buffer[64 * 1024];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// Loads a track file the way the player does, but a missing file is an error here.
bool loadTrack(const char* path, SyncTrack& track)
{
    SyncLoadResult result = sync_load_keys(&track, path);
    if (result == SYNC_LOAD_MISSING) // every other failure the reader has named
        std::fprintf(stderr, "%s: cannot open: %s\n", path, std::strerror(ENOENT));
    return result == SYNC_LOAD_OK;
}

// Exit status after printing to standard output: a full disk or a closed
// pipe must not pass for success.
int finishOutput()
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "synctrack: cannot write to standard output: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

int encode(const char* textPath, const char* trackPath)
{
    std::string text;
    if (!readTextFile(textPath, text)) {
        std::fprintf(stderr, "%s: cannot read: %s\n", textPath, std::strerror(errno));
        return 1;
    }
    std::vector<SyncKey> keys;
    SyncTextError error;
    if (!sync_parse_text(text, keys, error)) {
        std::fprintf(stderr, "%s:%d: %s\n", textPath, error.line, error.message.c_str());
        return 1;
    }
    const std::string invalid = sync_invalid_keys_problem(keys.data(), static_cast<int32_t>(keys.size()));
    if (!invalid.empty())
        std::fprintf(stderr, "%s: %s\n", textPath, invalid.c_str());
    std::string problem;
    if (!sync_write_track(trackPath, keys.data(), static_cast<int32_t>(keys.size()), problem)) {
        std::fprintf(stderr, "%s: %s\n", trackPath, problem.c_str());
        return 1;
    }
    return 0;
}

// Whether `track` must be (re)made from `text`: it is missing or older. The
// times are compared at full resolution, since a text is often edited within
// the second its track was made.
bool outOfDate(const std::filesystem::path& text, const std::filesystem::path& track)
{
    int64_t trackTime = 0;
    int64_t textTime = 0;
    if (!platform_file_time_ns(track.u8string().c_str(), trackTime))
        return true;
    return !platform_file_time_ns(text.u8string().c_str(), textTime) || textTime > trackTime;
}

// Encodes every NAME.txt of `textDir` into `trackDir`/sync_NAME.track, in
// name order, going on after a failure; one line per file on standard output.
int encodeDirectory(const char* textDir, const char* trackDir, bool all)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_directory(trackDir, error)) {
        std::fprintf(stderr, "%s: not a directory\n", trackDir);
        return 1;
    }
    std::vector<fs::path> texts;
    for (fs::directory_iterator it(textDir, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".txt" && it->is_regular_file(error))
            texts.push_back(it->path());
    }
    if (error) {
        std::fprintf(stderr, "%s: cannot list: %s\n", textDir, error.message().c_str());
        return 1;
    }
    std::sort(texts.begin(), texts.end());

    int encoded = 0, current = 0, failed = 0;
    for (const fs::path& text : texts) {
        const fs::path track = fs::path(trackDir) / ("sync_" + text.stem().string() + ".track");
        if (!all && !outOfDate(text, track)) {
            ++current;
            continue;
        }
        // Named with '/' between folders on every system, as the folders
        // were given, so messages read the same everywhere.
        const std::string textName = text.generic_string();
        const std::string trackName = track.generic_string();
        if (encode(textName.c_str(), trackName.c_str()) != 0) {
            ++failed;
            continue;
        }
        std::printf("%s -> %s\n", textName.c_str(), trackName.c_str());
        ++encoded;
    }
    std::printf("synctrack: %d encoded, %d up to date, %d failed\n", encoded, current, failed);
    const int output = finishOutput();
    return failed > 0 ? 1 : output;
}

int decode(const char* trackPath)
{
    SyncTrack track;
    if (!loadTrack(trackPath, track))
        return 1;
    std::fputs(sync_format_text(track.keys.get(), track.key_count).c_str(), stdout);
    return finishOutput();
}

int value(const char* trackPath, int rowCount, char** rowArgs)
{
    std::vector<double> rows;
    for (int i = 0; i < rowCount; ++i) {
        char* end = nullptr;
        double row = std::strtod(rowArgs[i], &end);
        if (end == rowArgs[i] || *end != '\0') {
            std::fprintf(stderr, "synctrack: not a row: \"%s\"\n", rowArgs[i]);
            return 1;
        }
        rows.push_back(row);
    }
    SyncTrack track;
    if (!loadTrack(trackPath, track))
        return 1;
    for (double row : rows)
        std::printf("%s\n", sync_format_float(sync_track_value(&track, row)).c_str());
    return finishOutput();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usageError();
    std::string command = argv[1];
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "encode" && argc == 5 && std::strcmp(argv[2], "--all") == 0)
        return encodeDirectory(argv[3], argv[4], true);
    if (command == "encode" && argc == 4) {
        std::error_code error;
        if (std::filesystem::is_directory(argv[2], error))
            return encodeDirectory(argv[2], argv[3], false);
        return encode(argv[2], argv[3]);
    }
    if (command == "decode" && argc == 3)
        return decode(argv[2]);
    if (command == "value" && argc >= 4)
        return value(argv[2], argc - 3, argv + 3);
    return usageError();
}
