// A file that is still being written, or standard input, read piece by piece as it grows,
// without ever waiting for more. A file that is replaced (renamed away and created anew)
// or cut shorter is read again from its start; one that is not there yet is waited for.
#pragma once

#include "platform/files/files.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vemora::platform {

class TGrowingFile {
public:
    // A file missing for longer than this (after it was there) is gone.
    static constexpr std::chrono::milliseconds kGoneAfter{1000};

    // An empty path: standard input.
    explicit TGrowingFile(std::string path);
    ~TGrowingFile();
    TGrowingFile(const TGrowingFile&) = delete;
    TGrowingFile& operator=(const TGrowingFile&) = delete;

    struct TRead {
        // The file is new (first found, replaced, or cut shorter): what was read before is no
        // longer its content, and the bytes read now begin at its start.
        bool StartedOver = false;
        // There is no file at the path; it is waited for.
        bool Missing = false;
        // The file has been missing for longer than kGoneAfter, or standard input has ended.
        bool Gone = false;
        bool Ended = false;
        // A failure to open or read, as OpenForReading's codes; nothing more is read.
        uint32_t Error = 0;
    };
    // Appends to `bytes` what has been written since the last call, at most `most` bytes;
    // returns at once whatever there is.
    TRead Read(std::vector<uint8_t>& bytes, size_t most);

    bool Standard() const { return path_.empty(); }

private:
    TRead ReadStandard(std::vector<uint8_t>& bytes, size_t most);
    // Whether the file open is still the one at the path, and as long as it was.
    bool StillTheSame(TRead& read);
    // The file is not at its path: missing, and gone once that has lasted kGoneAfter.
    void NoteMissing(TRead& read);
    void Close();

    std::string path_;
    FileHandle handle_ = kInvalidFileHandle;
    bool opened_ = false;
    bool ended_ = false;
    uint64_t device_ = 0;
    uint64_t inode_ = 0;
    int64_t offset_ = 0;
    // The last bytes read, to tell a file rewritten since from one that only grew.
    std::vector<uint8_t> tail_;
    std::optional<std::chrono::steady_clock::time_point> missingSince_;
};

} // namespace vemora::platform
