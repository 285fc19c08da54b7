// A temporary directory per test, in the system's temporary folder.
#include "ScratchDir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "TestFiles.h"

ScratchDir::ScratchDir() : path_(testsupport::createTempDirectory())
{
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::file(const std::string& name) const
{
    return path_ + "/" + name;
}

std::string ScratchDir::write(const std::string& name, const std::string& bytes) const
{
    std::string full = file(name);
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
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
    std::ifstream in(file(name), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> ScratchDir::list() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
