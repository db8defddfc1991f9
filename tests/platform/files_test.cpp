#include "platform/files/files.h"
#include "support/temp_files.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vemora::platform {
namespace {

using vemora::testing::TempDir;

uint32_t OpenError(const std::string& path) {
    FileHandle h = kInvalidFileHandle;
    const uint32_t code = OpenForReading(path.c_str(), h);
    if (code == 0) {
        CloseFile(h);
    } else {
        EXPECT_EQ(h, kInvalidFileHandle);
    }
    return code;
}

TEST(Files, OpensAndReadsARegularFileToItsEnd) {
    TempDir dir;
    const std::string path = dir.Write("data.txt", "hello world");
    FileHandle h = kInvalidFileHandle;
    ASSERT_EQ(OpenForReading(path.c_str(), h), 0u);
    char buf[8];
    uint32_t got = 0;
    ASSERT_EQ(ReadFile(h, buf, 8, got), 0u);
    EXPECT_EQ(std::string(buf, got), "hello wo");
    ASSERT_EQ(ReadFile(h, buf, 8, got), 0u);
    EXPECT_EQ(std::string(buf, got), "rld");
    ASSERT_EQ(ReadFile(h, buf, 8, got), 0u);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(CloseFile(h), 0u);
}

TEST(Files, MissingFileAndMissingFolderGetDifferentCodes) {
    TempDir dir;
    EXPECT_EQ(OpenError(dir.PathOf("absent.txt")), error::kFileNotFound);
    EXPECT_EQ(OpenError(dir.PathOf("no-folder/absent.txt")), error::kPathNotFound);
    EXPECT_EQ(OpenError(dir.PathOf("a/b/c/absent.txt")), error::kPathNotFound);
    // A file used as a folder.
    const std::string file = dir.Write("plain", "1");
    EXPECT_EQ(OpenError(file + "/x"), error::kPathNotFound);
}

TEST(Files, RelativeMissingNameIsFileNotFound) {
    EXPECT_EQ(OpenError("vemora-surely-absent-file.txt"), error::kFileNotFound);
}

TEST(Files, AnythingButARegularFileIsAccessDenied) {
    TempDir dir;
    EXPECT_EQ(OpenError(dir.Path()), error::kAccessDenied);
    EXPECT_EQ(OpenError("/dev/zero"), error::kAccessDenied);
    EXPECT_EQ(OpenError("/dev/null"), error::kAccessDenied);
    // A FIFO without a writer: refused at once rather than waiting forever.
    const std::string fifo = dir.PathOf("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(OpenError(fifo), error::kAccessDenied);
}

TEST(Files, SymlinksAreFollowedAndLoopsReported) {
    TempDir dir;
    const std::string target = dir.Write("target.txt", "1 2");
    ASSERT_EQ(symlink(target.c_str(), dir.PathOf("link").c_str()), 0);
    EXPECT_EQ(OpenError(dir.PathOf("link")), 0u);
    ASSERT_EQ(symlink(dir.PathOf("loop").c_str(), dir.PathOf("loop").c_str()), 0);
    EXPECT_EQ(OpenError(dir.PathOf("loop")), error::kCantResolveFilename);
}

TEST(Files, OverlongPathsAreInvalidFilenames) {
    TempDir dir;
    EXPECT_EQ(OpenError(dir.PathOf(std::string(300, 'n'))), error::kPathNotFound);
    std::string deep = dir.Path();
    while (deep.size() <= static_cast<size_t>(kMaxPathLength)) {
        deep += "/abcdefgh";
    }
    EXPECT_EQ(OpenError(deep), error::kPathNotFound);
}

TEST(Files, CyrillicNamesWithSpacesOpen) {
    TempDir dir;
    const std::string path = dir.Write("Данные замера 1.txt", "1 2\n");
    EXPECT_EQ(OpenError(path), 0u);
}

TEST(Files, RunningOutOfDescriptorsIsTooManyOpenFiles) {
    TempDir dir;
    const std::string path = dir.Write("f.txt", "1");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    std::vector<int> fds;
    rlimit low = saved;
    low.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    for (;;) {
        const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            break;
        }
        fds.push_back(fd);
    }
    const uint32_t code = OpenError(path);
    for (int fd : fds) {
        close(fd);
    }
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(code, error::kTooManyOpenFiles);
}

TEST(Files, RunningOutGivesUpTheReserveSoTheMessageCanBeShown) {
    TempDir dir;
    const std::string path = dir.Write("f.txt", "1");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    ReserveDescriptors(6);
    EXPECT_EQ(ReservedDescriptors(), 6);
    // Everything else in use, as the reader finds it when the process has run out.
    std::vector<int> fds;
    for (int fd; (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
        fds.push_back(fd);
    const uint32_t code = OpenError(path);
    // What the message needs can now be had.
    int opened = 0;
    for (int fd; opened < 6 && (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0; ++opened)
        fds.push_back(fd);
    const int reservedAfterFailure = ReservedDescriptors();
    for (int fd : fds)
        close(fd);
    fds.clear();
    // Room again: the next open takes the reserve back, and still opens the file.
    const uint32_t again = OpenError(path);
    const int reservedAgain = ReservedDescriptors();
    ReserveDescriptors(0);
    const int reservedAtEnd = ReservedDescriptors();
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(code, error::kTooManyOpenFiles);
    EXPECT_EQ(opened, 6);
    EXPECT_EQ(reservedAfterFailure, 0);
    EXPECT_EQ(again, 0u);
    EXPECT_EQ(reservedAgain, 6);
    EXPECT_EQ(reservedAtEnd, 0);
}

} // namespace
} // namespace vemora::platform
