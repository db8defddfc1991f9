#include "platform/files/growing_file.h"
#include "support/temp_files.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vemora::platform {
namespace {

using vemora::testing::TempDir;

void Append(const std::string& path, const std::string& bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
}

// What one look gives: the bytes, and the flags.
struct Look {
    std::string bytes;
    TGrowingFile::TRead read;
};

Look Take(TGrowingFile& file, size_t most = 1 << 20) {
    std::vector<uint8_t> bytes;
    Look look;
    look.read = file.Read(bytes, most);
    look.bytes.assign(bytes.begin(), bytes.end());
    return look;
}

TEST(GrowingFile, ReadsWhatIsAddedAndStartsOverWhenTheFileIsCutReplacedOrRewritten) {
    TempDir dir;
    const std::string path = dir.PathOf("log.txt");
    TGrowingFile file(path);
    Look look = Take(file);
    EXPECT_TRUE(look.read.Missing) << "not there yet: waited for";
    EXPECT_FALSE(look.read.Gone);

    Append(path, "1 2\n3 4");
    look = Take(file);
    EXPECT_TRUE(look.read.StartedOver);
    EXPECT_EQ(look.bytes, "1 2\n3 4");
    EXPECT_EQ(Take(file).bytes, "");
    Append(path, "\n5 6\n");
    look = Take(file, 3);
    EXPECT_FALSE(look.read.StartedOver);
    EXPECT_EQ(look.bytes, "\n5 ") << "at most what was asked for";
    EXPECT_EQ(Take(file).bytes, "6\n");

    // Cut shorter.
    ASSERT_EQ(truncate(path.c_str(), 2), 0);
    look = Take(file);
    EXPECT_TRUE(look.read.StartedOver);
    EXPECT_EQ(look.bytes, "1 ");
    // Cut and written again to more than it held.
    ASSERT_EQ(truncate(path.c_str(), 0), 0);
    Append(path, "9 9 9 9\n");
    look = Take(file);
    EXPECT_TRUE(look.read.StartedOver);
    EXPECT_EQ(look.bytes, "9 9 9 9\n");
    // Renamed away and created anew.
    ASSERT_EQ(std::rename(path.c_str(), dir.PathOf("log.txt.1").c_str()), 0);
    Append(path, "7 7\n");
    look = Take(file);
    EXPECT_TRUE(look.read.StartedOver);
    EXPECT_EQ(look.bytes, "7 7\n");

    // Gone from its path: what the file open still gets is read, for a second; then gone.
    ASSERT_EQ(std::rename(path.c_str(), dir.PathOf("log.txt.2").c_str()), 0);
    Append(dir.PathOf("log.txt.2"), "8 8\n");
    look = Take(file);
    EXPECT_TRUE(look.read.Missing);
    EXPECT_FALSE(look.read.Gone);
    EXPECT_EQ(look.bytes, "8 8\n");
    std::this_thread::sleep_for(TGrowingFile::kGoneAfter + std::chrono::milliseconds(50));
    look = Take(file);
    EXPECT_TRUE(look.read.Gone);
    Append(path, "1 1\n");
    EXPECT_TRUE(Take(file).read.Gone) << "gone is final";
}

TEST(GrowingFile, StandardInputIsReadWithoutWaitingUntilItsEnd) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const int saved = dup(STDIN_FILENO);
    dup2(ends[0], STDIN_FILENO);
    {
        TGrowingFile input("");
        EXPECT_TRUE(input.Standard());
        Look look = Take(input);
        EXPECT_EQ(look.bytes, "") << "nothing there: no wait";
        EXPECT_FALSE(look.read.Ended);
        ASSERT_EQ(write(ends[1], "1 2\n3", 5), 5);
        EXPECT_EQ(Take(input).bytes, "1 2\n3");
        ASSERT_EQ(write(ends[1], " 4\n", 3), 3);
        close(ends[1]);
        look = Take(input);
        EXPECT_EQ(look.bytes, " 4\n");
        EXPECT_TRUE(look.read.Ended);
        EXPECT_EQ(look.read.Error, 0u);
    }
    dup2(saved, STDIN_FILENO);
    close(saved);
    close(ends[0]);
}

} // namespace
} // namespace vemora::platform
