// A temporary directory per test, in the system's temporary folder.
#include "ScratchDir.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace {

// A new, empty directory in the system's temporary folder ($TMPDIR, /tmp, or
// Windows' %TEMP%) under a random name that nobody else holds: creating it is
// the claim. Its path is UTF-8 with '/' between names.
std::string createScratchDirectory()
{
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error)
        throw std::runtime_error("no temporary folder: " + error.message());
    std::random_device seed;
    std::mt19937_64 random((static_cast<uint64_t>(seed()) << 32) ^ seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "demoplayer-test-%016llx", static_cast<unsigned long long>(random()));
        const std::filesystem::path candidate = base / name;
        if (std::filesystem::create_directory(candidate, error))
            return candidate.generic_u8string();
    }
    throw std::runtime_error("cannot create a scratch directory in " + base.u8string());
}

} // namespace

ScratchDir::ScratchDir() : path_(createScratchDirectory()) {}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::u8path(path_), ignored);
}

std::string ScratchDir::file(const std::string& name) const
{
    return path_ + "/" + name;
}

std::string ScratchDir::write(const std::string& name, const std::string& bytes) const
{
    std::string full = file(name);
    std::ofstream out(std::filesystem::u8path(full), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + full);
    return full;
}

std::string ScratchDir::write(const std::string& name, const std::vector<unsigned char>& bytes) const
{
    return write(name, std::string(bytes.begin(), bytes.end()));
}

std::string ScratchDir::read(const std::string& name) const
{
    std::ifstream in(std::filesystem::u8path(file(name)), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> ScratchDir::list() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(path_)))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}
