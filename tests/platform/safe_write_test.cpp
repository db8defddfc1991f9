#include "platform/files/safe_write.h"
#include "support/processes.h"
#include "support/temp_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vemora::platform {
namespace {

namespace fs = std::filesystem;
using vemora::testing::AsOrdinaryUser;
using vemora::testing::InChild;
using vemora::testing::TempDir;

FileWriter Text(const std::string& text) {
    return
        [text](std::FILE* f) { return std::fwrite(text.data(), 1, text.size(), f) == text.size(); };
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t EntryCount(const std::string& folder) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode;
}

TEST(SafeWrite, ReplacesARegularFileOrCreatesANewOneAndLeavesNothingElse) {
    TempDir dir;
    const std::string old = dir.Write("out.txt", "the old contents, longer than the new");
    EXPECT_EQ(WriteFileSafely(old, Text("new")), 0);
    EXPECT_EQ(ReadAll(old), "new");
    const std::string fresh = dir.PathOf("fresh.txt");
    EXPECT_EQ(WriteFileSafely(fresh, Text("fresh")), 0);
    EXPECT_EQ(ReadAll(fresh), "fresh");
    // A new file gets the modes of any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(ModeOf(fresh) & 07777, 0666 & ~mask);
    EXPECT_EQ(EntryCount(dir.Path()), 2u);

    // A relative name is in the working folder.
    const fs::path here = fs::current_path();
    fs::current_path(dir.Path());
    EXPECT_EQ(WriteFileSafely("relative.txt", Text("r")), 0);
    fs::current_path(here);
    EXPECT_EQ(ReadAll(dir.PathOf("relative.txt")), "r");
}

TEST(SafeWrite, AWriteThatFailsLeavesWhatThePathHeldAndNoOtherFile) {
    TempDir dir;
    const std::string old = dir.Write("out.png", "what was there");
    // The writer's own failure, with the system's reason.
    const FileWriter full = [](std::FILE*) {
        errno = ENOSPC;
        return false;
    };
    EXPECT_EQ(WriteFileSafely(old, full), ENOSPC);
    EXPECT_EQ(ReadAll(old), "what was there");
    EXPECT_EQ(WriteFileSafely(dir.PathOf("new.png"), full), ENOSPC);
    EXPECT_FALSE(fs::exists(dir.PathOf("new.png")));
    EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST(SafeWrite, DevicesAndFifosAreWrittenDirectlyAndNeverRemoved) {
    TempDir dir;
    // A full device: the reason, and the device is still there.
    const std::string full = vemora::testing::FullDevice(dir.Path());
    EXPECT_EQ(WriteFileSafely(full, Text("x")), ENOSPC);
    EXPECT_TRUE(S_ISCHR(ModeOf(full)));
    // The same through a link to it: the link stays.
    const std::string link = dir.PathOf("full.png");
    ASSERT_EQ(::symlink(full.c_str(), link.c_str()), 0);
    EXPECT_EQ(WriteFileSafely(link, Text("x")), ENOSPC);
    EXPECT_TRUE(S_ISLNK(ModeOf(link)));
    EXPECT_TRUE(S_ISCHR(ModeOf(full)));
    EXPECT_EQ(EntryCount(dir.Path()), full.starts_with(dir.Path()) ? 2u : 1u);

    // A FIFO gets the bytes in its reader.
    const std::string fifo = dir.PathOf("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string got;
    std::thread reader([&] { got = ReadAll(fifo); });
    EXPECT_EQ(WriteFileSafely(fifo, Text("through the pipe")), 0);
    reader.join();
    EXPECT_EQ(got, "through the pipe");
    EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));

    // A folder is no file to write.
    EXPECT_EQ(WriteFileSafely(dir.Path(), Text("x")), EISDIR);
    EXPECT_EQ(WriteFileSafely(dir.Path() + "/", Text("x")), EISDIR);
    EXPECT_TRUE(fs::is_directory(dir.Path()));
}

TEST(SafeWrite, StandardOutputNamedByPathIsWrittenInPlace) {
    TempDir dir;
    const std::string out = dir.Write("stdout.txt", "");
    struct stat before {};
    ASSERT_EQ(::stat(out.c_str(), &before), 0);
    // In a child whose standard output is the file: /dev/stdout and /dev/fd/1 lead there
    // through /proc, and the file the shell opened must get the bytes, not a new file of
    // the same name.
    for (const char* path : {"/dev/stdout", "/dev/fd/1"}) {
        const int result = InChild([&] {
            const int fd = ::open(out.c_str(), O_WRONLY | O_TRUNC);
            if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0)
                return 254;
            return WriteFileSafely(path, Text(path));
        });
        EXPECT_EQ(result, 0) << path;
        EXPECT_EQ(ReadAll(out), path);
        struct stat after {};
        ASSERT_EQ(::stat(out.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << path;
    }
    EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST(SafeWrite, ALinkIsFollowedToTheFileItNamesAndStaysALink) {
    TempDir dir;
    fs::create_directory(dir.PathOf("pictures"));
    const std::string target = dir.Write("pictures/chart.png", "old picture");
    // A relative link, and a link to that link.
    const std::string link = dir.PathOf("link.png");
    const std::string chain = dir.PathOf("chain.png");
    ASSERT_EQ(::symlink("pictures/chart.png", link.c_str()), 0);
    ASSERT_EQ(::symlink(link.c_str(), chain.c_str()), 0);
    EXPECT_EQ(WriteFileSafely(link, Text("through the link")), 0);
    EXPECT_TRUE(S_ISLNK(ModeOf(link)));
    EXPECT_EQ(fs::read_symlink(link), "pictures/chart.png");
    EXPECT_EQ(ReadAll(target), "through the link");
    EXPECT_EQ(WriteFileSafely(chain, Text("through two")), 0);
    EXPECT_TRUE(S_ISLNK(ModeOf(chain)));
    EXPECT_EQ(ReadAll(target), "through two");
    // No temporary file is left in either folder.
    EXPECT_EQ(EntryCount(dir.Path()), 3u);
    EXPECT_EQ(EntryCount(dir.PathOf("pictures")), 1u);

    // A link to nothing yet makes the file it names.
    const std::string dangling = dir.PathOf("dangling.png");
    ASSERT_EQ(::symlink("pictures/new.png", dangling.c_str()), 0);
    EXPECT_EQ(WriteFileSafely(dangling, Text("made")), 0);
    EXPECT_TRUE(S_ISLNK(ModeOf(dangling)));
    EXPECT_EQ(ReadAll(dir.PathOf("pictures/new.png")), "made");

    // Links in a loop end with the system's reason.
    const std::string a = dir.PathOf("a");
    const std::string b = dir.PathOf("b");
    ASSERT_EQ(::symlink(b.c_str(), a.c_str()), 0);
    ASSERT_EQ(::symlink(a.c_str(), b.c_str()), 0);
    EXPECT_EQ(WriteFileSafely(a, Text("x")), ELOOP);
}

TEST(SafeWrite, AReplacedFileKeepsItsModesAndAFileTheUserMayNotWriteIsKept) {
    TempDir dir;
    const std::string shared = dir.Write("shared.png", "old");
    ASSERT_EQ(::chmod(shared.c_str(), 0604), 0);
    EXPECT_EQ(WriteFileSafely(shared, Text("new")), 0);
    EXPECT_EQ(ModeOf(shared) & 07777, 0604u);
    EXPECT_EQ(ReadAll(shared), "new");

    // Mode 444 in a folder anyone may write: the folder would let a rename replace it,
    // the file says no.
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    const std::string locked = dir.Write("locked.png", "keep me");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    const int result = AsOrdinaryUser([&] { return WriteFileSafely(locked, Text("lost")); });
    EXPECT_EQ(result, EACCES);
    EXPECT_EQ(ReadAll(locked), "keep me");
    EXPECT_EQ(ModeOf(locked) & 07777, 0444u);
    EXPECT_EQ(EntryCount(dir.Path()), 2u);
    // A missing folder, and no name at all, say why.
    EXPECT_EQ(WriteFileSafely(dir.PathOf("no/such/folder.png"), Text("x")), ENOENT);
    EXPECT_EQ(WriteFileSafely("", Text("x")), ENOENT);
}

TEST(SafeWrite, AnyNameTheFolderTakesCanBeWritten) {
    TempDir dir;
    // The temporary name adds 8 bytes; the longest names still save, over an old file too.
    for (const size_t length : {size_t{247}, size_t{250}, size_t{255}}) {
        const std::string path = dir.PathOf(std::string(length, 'n'));
        EXPECT_EQ(WriteFileSafely(path, Text("first")), 0) << length;
        EXPECT_EQ(WriteFileSafely(path, Text("second")), 0) << length;
        EXPECT_EQ(ReadAll(path), "second");
    }
    // Two-byte characters: the shortened temporary name is cut between characters.
    std::string cyrillic;
    while (cyrillic.size() < 254)
        cyrillic += "ж";
    EXPECT_EQ(WriteFileSafely(dir.PathOf(cyrillic), Text("ok")), 0);
    EXPECT_EQ(ReadAll(dir.PathOf(cyrillic)), "ok");
    EXPECT_EQ(EntryCount(dir.Path()), 4u);
    // A name too long for the folder is the system's refusal.
    EXPECT_EQ(WriteFileSafely(dir.PathOf(std::string(256, 'n')), Text("x")), ENAMETOOLONG);
}

TEST(SafeWrite, AStreamThatCannotTakeTheBytesSaysWhy) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(WriteToStream(full, Text("x")), ENOSPC);
    std::fclose(full);
    std::FILE* null = std::fopen("/dev/null", "wb");
    ASSERT_NE(null, nullptr);
    EXPECT_EQ(WriteToStream(null, Text(std::string(100000, 'x'))), 0);
    std::fclose(null);
    EXPECT_EQ(ErrorText(ENOSPC), "No space left on device");
}

} // namespace
} // namespace vemora::platform
