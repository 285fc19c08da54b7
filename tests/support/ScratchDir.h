// A temporary directory for the files one test writes, removed with
// everything in it when the ScratchDir goes out of scope.
#pragma once

#include <string>
#include <vector>

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The directory's own path (no trailing slash).
    const std::string& path() const { return path_; }
    // The path of `name` inside the directory.
    std::string file(const std::string& name) const;
    // Writes `bytes` to `name` inside the directory and returns its path.
    std::string write(const std::string& name, const std::string& bytes) const;
    std::string write(const std::string& name, const std::vector<unsigned char>& bytes) const;
    // The whole content of `name` inside the directory ("" when missing).
    std::string read(const std::string& name) const;
    // The names of the entries in the directory, sorted.
    std::vector<std::string> list() const;

private:
    std::string path_;
};
