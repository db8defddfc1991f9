#include "platform/files/growing_file.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vemora::platform {

namespace {

constexpr size_t kTailSize = 64;
constexpr size_t kPiece = 64 * 1024;

} // namespace

TGrowingFile::TGrowingFile(std::string path) : path_(std::move(path)) {}

TGrowingFile::~TGrowingFile() {
    Close();
}

void TGrowingFile::Close() {
    if (handle_ != kInvalidFileHandle && handle_ != StdInputHandle())
        CloseFile(handle_);
    handle_ = kInvalidFileHandle;
}

TGrowingFile::TRead TGrowingFile::ReadStandard(std::vector<uint8_t>& bytes, size_t most) {
    TRead read;
    if (ended_) {
        read.Ended = read.Gone = true;
        return read;
    }
    const int fd = StdInputHandle();
    size_t taken = 0;
    while (taken < most) {
        // Only what is there: a pipe or a terminal would otherwise hold the reading.
        pollfd ready{fd, POLLIN, 0};
        int n;
        do {
            n = poll(&ready, 1, 0);
        } while (n < 0 && errno == EINTR);
        if (n <= 0)
            break;
        const size_t before = bytes.size();
        bytes.resize(before + std::min(kPiece, most - taken));
        ssize_t got;
        do {
            got = ::read(fd, bytes.data() + before, bytes.size() - before);
        } while (got < 0 && errno == EINTR);
        bytes.resize(before + static_cast<size_t>(std::max<ssize_t>(got, 0)));
        if (got <= 0) {
            ended_ = true;
            read.Ended = read.Gone = true;
            if (got < 0 && errno != EPIPE)
                read.Error = WindowsErrorFromErrno(errno);
            break;
        }
        taken += static_cast<size_t>(got);
    }
    return read;
}

void TGrowingFile::NoteMissing(TRead& read) {
    read.Missing = true;
    const auto now = std::chrono::steady_clock::now();
    if (!missingSince_)
        missingSince_ = now;
    else if (now - *missingSince_ > kGoneAfter)
        read.Gone = true;
}

bool TGrowingFile::StillTheSame(TRead& read) {
    struct stat at {};
    if (stat(path_.c_str(), &at) != 0) {
        // Gone from its path, maybe for a moment while it is replaced: what is written to
        // the file open meanwhile is still read.
        NoteMissing(read);
        return true;
    }
    missingSince_.reset();
    if (static_cast<uint64_t>(at.st_dev) != device_ || static_cast<uint64_t>(at.st_ino) != inode_)
        return false;
    // Cut shorter, or cut and written again: the bytes last read are no longer there. The
    // size alone would not tell: files of the system's own report none.
    if (!tail_.empty()) {
        std::vector<uint8_t> now(tail_.size());
        const auto got =
            pread(handle_, now.data(), now.size(), offset_ - static_cast<int64_t>(tail_.size()));
        if (got != static_cast<ssize_t>(now.size()) || now != tail_)
            return false;
    }
    return true;
}

TGrowingFile::TRead TGrowingFile::Read(std::vector<uint8_t>& bytes, size_t most) {
    if (Standard())
        return ReadStandard(bytes, most);
    TRead read;
    if (ended_) {
        read.Gone = true;
        return read;
    }
    if (handle_ != kInvalidFileHandle && !StillTheSame(read)) {
        Close();
        read.Missing = false;
    }
    if (read.Gone) {
        Close();
        ended_ = true;
        return read;
    }
    if (handle_ == kInvalidFileHandle) {
        const uint32_t code = OpenForReading(path_.c_str(), handle_);
        if (code == error::kFileNotFound || code == error::kPathNotFound) {
            // One never seen is waited for as long as it takes.
            if (opened_)
                NoteMissing(read);
            else
                read.Missing = true;
            ended_ = read.Gone;
            return read;
        }
        if (code != 0) {
            read.Error = code;
            ended_ = true;
            return read;
        }
        struct stat st {};
        fstat(handle_, &st);
        device_ = static_cast<uint64_t>(st.st_dev);
        inode_ = static_cast<uint64_t>(st.st_ino);
        offset_ = 0;
        tail_.clear();
        opened_ = true;
        missingSince_.reset();
        read.StartedOver = true;
    }
    size_t taken = 0;
    while (taken < most) {
        const size_t before = bytes.size();
        bytes.resize(before + std::min(kPiece, most - taken));
        ssize_t got;
        do {
            got = pread(handle_, bytes.data() + before, bytes.size() - before, offset_);
        } while (got < 0 && errno == EINTR);
        bytes.resize(before + static_cast<size_t>(std::max<ssize_t>(got, 0)));
        if (got < 0) {
            read.Error = WindowsErrorFromErrno(errno);
            Close();
            ended_ = true;
            break;
        }
        if (got == 0)
            break;
        offset_ += got;
        taken += static_cast<size_t>(got);
    }
    // The last bytes read so far, kept to notice a rewrite.
    if (taken > 0) {
        const size_t keep = std::min(kTailSize, static_cast<size_t>(offset_));
        if (taken >= keep) {
            tail_.assign(bytes.end() - static_cast<std::ptrdiff_t>(keep), bytes.end());
        } else {
            tail_.insert(tail_.end(), bytes.end() - static_cast<std::ptrdiff_t>(taken),
                         bytes.end());
            tail_.erase(tail_.begin(), tail_.end() - static_cast<std::ptrdiff_t>(keep));
        }
    }
    return read;
}

} // namespace vemora::platform
