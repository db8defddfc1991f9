#include "platform/files/files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vemora::platform {

uint32_t WindowsErrorFromErrno(int err) {
    switch (err) {
    case 0:
        return 0;
    case ENOENT:
        return error::kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
        return error::kPathNotFound;
    case EMFILE:
    case ENFILE:
        return error::kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
        return error::kAccessDenied;
    case EBADF:
        return error::kInvalidHandle;
    case ENOMEM:
        return error::kNotEnoughMemory;
    case ENXIO:
    case ENODEV:
        return error::kNotReady;
    case EIO:
        return error::kReadFault;
    case ETXTBSY:
    case EBUSY:
        return error::kSharingViolation;
    case EINVAL:
        return error::kInvalidParameter;
    case EPIPE:
        return error::kBrokenPipe;
    case EAGAIN:
        return error::kBusy;
    case EFBIG:
    case EOVERFLOW:
        return error::kFileTooLarge;
    case ELOOP:
        return error::kCantResolveFilename;
    default:
        return error::kGenFailure;
    }
}

namespace {

// ENOENT names either the file itself or a folder before it; the two get different
// codes (and messages), so look at the folder part of the path.
uint32_t MissingEntryError(const char* path) {
    std::string_view rest(path);
    while (rest.size() > 1 && rest.back() == '/') {
        rest.remove_suffix(1);
    }
    const auto slash = rest.rfind('/');
    const std::string folder = slash == std::string_view::npos ? std::string(".")
                               : slash == 0                    ? std::string("/")
                                                               : std::string(rest.substr(0, slash));
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return error::kFileNotFound;
    }
    return error::kPathNotFound;
}

uint32_t ErrorForPath(int err, const char* path) {
    return err == ENOENT ? MissingEntryError(path) : WindowsErrorFromErrno(err);
}

} // namespace

namespace {

// The reserve of ReserveDescriptors; the reader opens files from any thread.
std::mutex reserveMutex;
std::vector<int> reserve;
int reserveWanted = 0;

void RefillReserve() {
    const std::lock_guard<std::mutex> lock(reserveMutex);
    while (static_cast<int>(reserve.size()) < reserveWanted) {
        const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            break;
        reserve.push_back(fd);
    }
    while (static_cast<int>(reserve.size()) > reserveWanted) {
        close(reserve.back());
        reserve.pop_back();
    }
}

void ReleaseReserve() {
    const std::lock_guard<std::mutex> lock(reserveMutex);
    for (const int fd : reserve)
        close(fd);
    reserve.clear();
}

} // namespace

void ReserveDescriptors(int count) {
    {
        const std::lock_guard<std::mutex> lock(reserveMutex);
        reserveWanted = count > 0 ? count : 0;
    }
    RefillReserve();
}

int ReservedDescriptors() {
    const std::lock_guard<std::mutex> lock(reserveMutex);
    return static_cast<int>(reserve.size());
}

uint32_t OpenForReading(const char* path, FileHandle& handle) {
    handle = kInvalidFileHandle;
    if (path == nullptr || path[0] == '\0') {
        return error::kFileNotFound;
    }
    if (std::strlen(path) > static_cast<size_t>(kMaxPathLength)) {
        return error::kPathNotFound;
    }
    // Given up when the process last ran out; maybe there is room for it again.
    RefillReserve();
    // Look before opening: opening a FIFO for reading waits for a writer.
    struct stat st {};
    if (stat(path, &st) != 0) {
        return ErrorForPath(errno, path);
    }
    if (!S_ISREG(st.st_mode)) {
        return error::kAccessDenied;
    }
    int fd;
    do {
        // O_NONBLOCK keeps the open itself from blocking should the path have been
        // replaced by a FIFO since the look; the type is checked again on the open file.
        fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int err = errno;
        if (err == EMFILE || err == ENFILE)
            ReleaseReserve();
        return ErrorForPath(err, path);
    }
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return error::kAccessDenied;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) {
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    handle = fd;
    return 0;
}

uint32_t ReadFile(FileHandle handle, void* buffer, uint32_t count, uint32_t& got) {
    got = 0;
    if (handle < 0) {
        return error::kInvalidHandle;
    }
    ssize_t n;
    do {
        n = read(handle, buffer, count);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return WindowsErrorFromErrno(errno);
    }
    got = static_cast<uint32_t>(n);
    return 0;
}

uint32_t CloseFile(FileHandle handle) {
    if (handle < 0) {
        return error::kInvalidHandle;
    }
    // A close interrupted by a signal has still released the descriptor on Linux;
    // retrying could close someone else's.
    if (close(handle) != 0 && errno != EINTR) {
        return WindowsErrorFromErrno(errno);
    }
    return 0;
}

FileHandle StdInputHandle() {
    return STDIN_FILENO;
}

bool RereadablePosition(FileHandle handle, int64_t& offset) {
    struct stat st {};
    if (handle < 0 || fstat(handle, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const off_t at = lseek(handle, 0, SEEK_CUR);
    if (at < 0)
        return false;
    offset = static_cast<int64_t>(at);
    return true;
}

bool SeekFile(FileHandle handle, int64_t offset) {
    return handle >= 0 && lseek(handle, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

} // namespace vemora::platform
