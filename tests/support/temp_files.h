// Scratch files and folders for tests, removed when the test ends.
#pragma once

#include <string>
#include <string_view>

namespace vemora::testing {

class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& Path() const { return path_; }
    // Writes a file below the folder and returns its path.
    std::string Write(std::string_view name, std::string_view contents) const;
    std::string PathOf(std::string_view name) const;

private:
    std::string path_;
};

// The number of open file descriptors of this process.
int OpenDescriptorCount();

} // namespace vemora::testing
