#include "platform/files/safe_write.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace vemora::platform {

namespace {

// Links are followed at most this many times, as the kernel does.
constexpr int kMaxLinks = 40;

struct Target {
    std::string path;    // the file to replace or create
    bool direct = false; // written in place: `path` is not a regular file
    bool exists = false; // a regular file stands at `path`
    struct stat st {};   // its status, when it exists
};

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// /proc's links (/proc/self/fd/1, and so /dev/stdout) name open files rather than paths:
// whatever they lead to must be written through the link itself.
bool OnProcFs(const std::string& path) {
    struct statfs fs {};
    return ::statfs(FolderOf(path).c_str(), &fs) == 0 && fs.f_type == PROC_SUPER_MAGIC;
}

// Follows the links at the end of `path` to what will be written. Returns 0 or errno.
int FindTarget(const std::string& path, Target& target) {
    std::string current = path;
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT)
                return errno;
            target.path = current;
            return 0;
        }
        if (S_ISLNK(st.st_mode)) {
            if (OnProcFs(current)) {
                target.path = path;
                target.direct = true;
                return 0;
            }
            std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX), '\0');
            const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
            if (n < 0)
                return errno;
            link.resize(static_cast<size_t>(n));
            current = link.starts_with('/') ? link : FolderOf(current) + "/" + link;
            continue;
        }
        target.path = current;
        target.st = st;
        target.exists = S_ISREG(st.st_mode);
        target.direct = !target.exists;
        return 0;
    }
    return ELOOP;
}

// The stream's own failure: errno as the write left it, else a generic one.
int StreamError(int err) {
    return err != 0 ? err : EIO;
}

// Writes and closes; the descriptor is closed whatever happens. Returns 0 or errno.
int WriteAndClose(int fd, const FileWriter& write, bool sync) {
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        const int err = errno;
        ::close(fd);
        return err;
    }
    errno = 0;
    int err = write(file) ? 0 : StreamError(errno);
    if (err == 0 && (std::fflush(file) != 0 || std::ferror(file)))
        err = StreamError(errno);
    if (err == 0 && sync && ::fsync(fd) != 0)
        err = errno;
    if (std::fclose(file) != 0 && err == 0)
        err = StreamError(errno);
    return err;
}

int WriteDirectly(const std::string& path, const FileWriter& write) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno;
    return WriteAndClose(fd, write, /*sync=*/false);
}

// ".NAME.XXXXXX" within the longest name the folder takes; NAME is cut on a character
// boundary so that the hidden file's name stays readable text.
std::string TemporaryName(const std::string& name, long nameMax) {
    constexpr size_t kAdded = 8; // the dot before, and ".XXXXXX" after
    const size_t room = nameMax > static_cast<long>(kAdded) ? nameMax - kAdded : 0;
    size_t cut = std::min(name.size(), room);
    while (cut > 0 && cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    static std::atomic<uint64_t> counter{0};
    uint64_t seed =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(::getpid()) << 32) ^ (counter++ * 0x9E3779B97F4A7C15u);
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string temp(1, '.');
    temp.append(name, 0, cut);
    temp.push_back('.');
    for (int i = 0; i < 6; ++i) {
        temp += kLetters[seed % 62];
        seed = seed / 62 ^ (seed * 0x2545F4914F6CDD1Du);
    }
    return temp;
}

class FolderHandle {
public:
    explicit FolderHandle(const std::string& folder) {
        fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        // A folder that may be written but not listed is still a place for the new file.
        if (fd_ < 0 && errno == EACCES)
            fd_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    ~FolderHandle() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int Get() const { return fd_; }

private:
    int fd_ = -1;
};

int WriteBeside(const Target& target, const FileWriter& write) {
    const std::string name = NameOf(target.path);
    if (name.empty())
        return EISDIR;
    const std::string folderPath = FolderOf(target.path);
    const FolderHandle folder(folderPath);
    if (folder.Get() < 0)
        return errno;
    long nameMax = ::pathconf(folderPath.c_str(), _PC_NAME_MAX);
    if (nameMax <= 0)
        nameMax = NAME_MAX;

    // A new file is made as any new file is, so that the umask and the folder's default
    // permissions apply; the stand-in for an existing file is private until it has the
    // old file's modes.
    const mode_t createMode = target.exists ? 0600 : 0666;
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TemporaryName(name, nameMax);
        fd = ::openat(folder.Get(), temp.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, createMode);
        if (fd < 0 && errno != EEXIST && errno != EINTR)
            return errno;
    }
    if (fd < 0)
        return EEXIST;
    if (target.exists) {
        // The owner first: a change of owner clears the set-id bits that the modes restore.
        // Only the superuser may give a file away, so a failure here is no failure.
        struct stat own {};
        if (::fstat(fd, &own) == 0 &&
            (own.st_uid != target.st.st_uid || own.st_gid != target.st.st_gid) &&
            ::fchown(fd, target.st.st_uid, target.st.st_gid) != 0) {
            // The new file stays the writer's.
        }
        ::fchmod(fd, target.st.st_mode & 07777);
    }
    int err = WriteAndClose(fd, write, /*sync=*/true);
    if (err == 0 && ::renameat(folder.Get(), temp.c_str(), folder.Get(), name.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlinkat(folder.Get(), temp.c_str(), 0);
        return err;
    }
    // The rename itself reaches the disk with the folder.
    ::fsync(folder.Get());
    return 0;
}

} // namespace

int WriteFileSafely(const std::string& path, const FileWriter& write) {
    if (path.empty())
        return ENOENT;
    Target target;
    if (const int err = FindTarget(path, target); err != 0)
        return err;
    if (target.direct)
        return WriteDirectly(target.path, write);
    // A file the user may not write is the user's to keep: a rename would replace it
    // although the user could not change it.
    if (target.exists && ::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0)
        return errno;
    return WriteBeside(target, write);
}

int WriteToStream(std::FILE* stream, const FileWriter& write) {
    errno = 0;
    if (!write(stream))
        return StreamError(errno);
    if (std::fflush(stream) != 0 || std::ferror(stream))
        return StreamError(errno);
    return 0;
}

std::string ErrorText(int err) {
    return std::strerror(err);
}

} // namespace vemora::platform
