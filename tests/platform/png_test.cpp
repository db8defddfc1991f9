#include "platform/gfx/png.h"
#include "support/golden.h"
#include "support/processes.h"
#include "support/temp_files.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vemora::gfx {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// A folder of its own below the test output folder, removed with everything in it.
class Scratch {
public:
    Scratch() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::path(VEMORA_TEST_OUTPUT_DIR) / "scratch" /
                (std::string(info->test_suite_name()) + "." + info->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Bitmap Pattern(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t r = (x * 37 + y * 11) & 0xFF;
            const uint32_t g = (x * 5 + y * 71 + 13) & 0xFF;
            const uint32_t bl = ((x ^ y) * 29) & 0xFF;
            b.Set(x, y, (r << 16) | (g << 8) | bl);
        }
    }
    b.Set(0, 0, 0x000000);
    b.Set(w - 1, h - 1, 0xFFFFFF);
    b.Set(w - 1, 0, 0xFF0000);
    b.Set(0, h - 1, 0x0000FF);
    return b;
}

TEST(Png, RoundTripKeepsEveryPixelOfAnOddSizedBitmap) {
    Scratch dir;
    const Bitmap original = Pattern(37, 23);
    const std::string path = dir / "pattern.png";
    ASSERT_TRUE(WritePng(original, path));
    Bitmap back;
    ASSERT_TRUE(ReadPng(path, back));
    EXPECT_EQ(back.Width(), 37);
    EXPECT_EQ(back.Height(), 23);
    EXPECT_TRUE(back == original);

    // 8-bit RGB, no alpha: the header right after the signature says so.
    const Bytes bytes = ReadAll(path);
    ASSERT_GT(bytes.size(), 26u);
    EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "IHDR");
    EXPECT_EQ(bytes[24], 8);
    EXPECT_EQ(bytes[25], 2);

    // The unused top byte of a pixel is not stored.
    Bitmap dirty = original;
    dirty.Set(3, 4, 0xAB000000u | original.At(3, 4));
    ASSERT_TRUE(WritePng(dirty, path));
    ASSERT_TRUE(ReadPng(path, back));
    EXPECT_TRUE(back == original);

    // A single pixel is a picture too.
    const Bitmap dot(1, 1, 0x123456);
    ASSERT_TRUE(WritePng(dot, path));
    ASSERT_TRUE(ReadPng(path, back));
    EXPECT_TRUE(back == dot);
}

// The density chunk of a PNG in pixels per metre, both ways; nullopt when it has none or
// gives no unit.
std::optional<std::pair<uint32_t, uint32_t>> Density(const Bytes& png) {
    const auto be32 = [&](size_t at) {
        return uint32_t{png[at]} << 24 | uint32_t{png[at + 1]} << 16 | uint32_t{png[at + 2]} << 8 |
               uint32_t{png[at + 3]};
    };
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = be32(at);
        const std::string type(png.begin() + at + 4, png.begin() + at + 8);
        if (type == "pHYs" && length == 9 && at + 17 <= png.size())
            return png[at + 16] == 1 ? std::optional(std::pair(be32(at + 8), be32(at + 12)))
                                     : std::nullopt;
        at += 12 + size_t{length};
    }
    return std::nullopt;
}

TEST(Png, RecordsTheDensityItWasDrawnFor) {
    Scratch dir;
    const std::string path = dir / "dense.png";
    // 96 dots per inch times the scale: 3779.5 and 7559.1 pixels per metre.
    for (const auto& [scale, perMetre] :
         {std::pair{1.0, 3780u}, std::pair{2.0, 7559u}, std::pair{1.5, 5669u}}) {
        EXPECT_EQ(PngPixelsPerMetre(scale), perMetre);
        ASSERT_TRUE(WritePng(Pattern(5, 4), path, scale));
        EXPECT_EQ(Density(ReadAll(path)), std::pair(perMetre, perMetre)) << scale;
    }
    // Into a stream too, and the pixels are as they were.
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(WritePng(Pattern(5, 4), file, 3.0));
    std::fclose(file);
    EXPECT_EQ(Density(ReadAll(path)), std::pair(11339u, 11339u));
    Bitmap back;
    ASSERT_TRUE(ReadPng(path, back));
    EXPECT_TRUE(back == Pattern(5, 4));
}

TEST(Png, ReadFailuresLeaveTheBitmapAlone) {
    Scratch dir;
    const Bitmap before(2, 3, 0x010203);
    Bitmap out = before;

    EXPECT_FALSE(ReadPng(dir / "missing.png", out));
    EXPECT_FALSE(ReadPng(dir / "", out)); // a folder

    const std::string text = dir / "notes.png";
    WriteAll(text, Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
    EXPECT_FALSE(ReadPng(text, out));

    const std::string empty = dir / "empty.png";
    WriteAll(empty, {});
    EXPECT_FALSE(ReadPng(empty, out));

    // A real file cut short in its image data.
    const std::string good = dir / "good.png";
    ASSERT_TRUE(WritePng(Pattern(40, 30), good));
    Bytes bytes = ReadAll(good);
    bytes.resize(bytes.size() / 2);
    const std::string cut = dir / "cut.png";
    WriteAll(cut, bytes);
    EXPECT_FALSE(ReadPng(cut, out));

    // A damaged header checksum.
    bytes = ReadAll(good);
    bytes[29] ^= 0xFF;
    const std::string damaged = dir / "damaged.png";
    WriteAll(damaged, bytes);
    EXPECT_FALSE(ReadPng(damaged, out));

    EXPECT_TRUE(out == before);
}

TEST(Png, WriteFailuresReportFalseAndLeaveNoFile) {
    Scratch dir;
    EXPECT_FALSE(WritePng(Pattern(4, 4), dir / "no-such-folder/out.png"));
    EXPECT_FALSE(WritePng(Pattern(4, 4), dir / ""));
    const std::string empty = dir / "empty.png";
    EXPECT_FALSE(WritePng(Bitmap(), empty));
    EXPECT_FALSE(fs::exists(empty));
}

// The modes of a path itself, a link not followed.
mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode;
}

size_t EntryCount(const std::string& folder) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(Png, AWriteThatFailsLeavesWhatThePathHeldAndNeverRemovesADevice) {
    vemora::testing::TempDir dir;
    // A disk that fills up after a few hundred bytes, over an old file longer than that.
    const Bytes old(2000, 'o');
    const std::string picture = dir.PathOf("old.png");
    WriteAll(picture, old);
    const int written = vemora::testing::InChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small{300, 300};
        if (::setrlimit(RLIMIT_FSIZE, &small) != 0)
            return 254;
        return WritePng(Pattern(200, 200), picture) ? 1 : 0;
    });
    EXPECT_EQ(written, 0);
    EXPECT_EQ(ReadAll(picture), old);
    EXPECT_EQ(EntryCount(dir.Path()), 1u);
    const std::string full = vemora::testing::FullDevice(dir.Path());
    EXPECT_EQ(SavePng(Pattern(4, 4), full), "No space left on device");
    EXPECT_TRUE(S_ISCHR(ModeOf(full)));
    // A link to a full device: the write fails, the link stays.
    const std::string link = dir.PathOf("link.png");
    ASSERT_EQ(::symlink(full.c_str(), link.c_str()), 0);
    EXPECT_FALSE(WritePng(Pattern(4, 4), link));
    EXPECT_TRUE(S_ISLNK(ModeOf(link)));
    EXPECT_TRUE(S_ISCHR(ModeOf(full)));
}

TEST(Png, SavingWritesALinksFileKeepsModesAndTakesAnyNameTheFolderTakes) {
    vemora::testing::TempDir dir;
    const Bitmap picture = Pattern(9, 7);
    Bitmap read;
    // A link: the picture goes to the file it names.
    const std::string target = dir.PathOf("target.png");
    WriteAll(target, Bytes{'o', 'l', 'd'});
    const std::string link = dir.PathOf("link.png");
    ASSERT_EQ(::symlink("target.png", link.c_str()), 0);
    EXPECT_EQ(SavePng(picture, link), "");
    EXPECT_TRUE(S_ISLNK(ModeOf(link)));
    ASSERT_TRUE(ReadPng(target, read));
    EXPECT_TRUE(read == picture);

    // A replaced file keeps its modes.
    ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
    EXPECT_EQ(SavePng(Pattern(3, 3), target), "");
    EXPECT_EQ(ModeOf(target) & 07777, 0604u);

    // A file the user may not write stays, though the folder would let a rename replace it.
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    const std::string locked = dir.PathOf("locked.png");
    WriteAll(locked, Bytes{'k', 'e', 'e', 'p'});
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    const int refused = vemora::testing::AsOrdinaryUser(
        [&] { return SavePng(picture, locked) == "Permission denied" ? 0 : 1; });
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(ReadAll(locked), (Bytes{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(ModeOf(locked) & 07777, 0444u);

    // 250 bytes: the temporary name must not add to it.
    const std::string longName = dir.PathOf(std::string(246, 'c') + ".png");
    EXPECT_EQ(SavePng(picture, longName), "");
    ASSERT_TRUE(ReadPng(longName, read));
    EXPECT_TRUE(read == picture);
    EXPECT_EQ(EntryCount(dir.Path()), 4u);
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        setenv(name, value, 1);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class Golden : public ::testing::Test {
protected:
    void SetUp() override {
        // Outputs are named after the picture; these names are for this test alone.
        name_ = std::string("golden-helper-") +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        actualPath_ = fs::path(testing::GoldenOutputDir()) / (name_ + ".actual.png");
        diffPath_ = fs::path(testing::GoldenOutputDir()) / (name_ + ".diff.png");
        fs::remove(actualPath_);
        fs::remove(diffPath_);
    }
    void TearDown() override {
        fs::remove(actualPath_);
        fs::remove(diffPath_);
    }
    std::string name_;
    fs::path actualPath_;
    fs::path diffPath_;
};

TEST_F(Golden, MatchingPicturePassesAndClearsOldOutputs) {
    Scratch dir;
    const Bitmap picture = Pattern(9, 7);
    const std::string reference = dir / "ref.png";
    ASSERT_TRUE(WritePng(picture, reference));
    ASSERT_TRUE(WritePng(picture, actualPath_.string())); // left over from a failed run
    EXPECT_TRUE(testing::MatchesGolden(picture, name_, reference));
    EXPECT_FALSE(fs::exists(actualPath_));
}

TEST_F(Golden, MismatchNamesTheCountThePixelAndTheWrittenFiles) {
    Scratch dir;
    const Bitmap expected = Pattern(9, 7);
    const std::string reference = dir / "ref.png";
    ASSERT_TRUE(WritePng(expected, reference));
    Bitmap actual = expected;
    actual.Set(5, 2, 0xABCDEF);
    actual.Set(1, 4, 0x000001);
    actual.Set(8, 6, 0x000000);

    const ::testing::AssertionResult result = testing::MatchesGolden(actual, name_, reference);
    ASSERT_FALSE(result);
    const std::string message = result.message();
    EXPECT_NE(message.find("3 differing pixels"), std::string::npos) << message;
    EXPECT_NE(message.find("9x7"), std::string::npos) << message;
    // Rows first: (5, 2) comes before (1, 4).
    EXPECT_NE(message.find("(5, 2)"), std::string::npos) << message;
    char expectedHex[16];
    std::snprintf(expectedHex, sizeof(expectedHex), "#%06X", expected.At(5, 2));
    EXPECT_NE(message.find(expectedHex), std::string::npos) << message;
    EXPECT_NE(message.find("#ABCDEF"), std::string::npos) << message;
    EXPECT_NE(message.find(actualPath_.string()), std::string::npos) << message;

    Bitmap written;
    ASSERT_TRUE(ReadPng(actualPath_.string(), written));
    EXPECT_TRUE(written == actual);

    Bitmap diff;
    ASSERT_TRUE(ReadPng(diffPath_.string(), diff));
    ASSERT_EQ(diff.Width(), 9);
    ASSERT_EQ(diff.Height(), 7);
    int red = 0;
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            red += diff.At(x, y) == 0xFF0000 ? 1 : 0;
        }
    }
    EXPECT_EQ(diff.At(5, 2), 0xFF0000u);
    EXPECT_EQ(diff.At(1, 4), 0xFF0000u);
    EXPECT_EQ(diff.At(8, 6), 0xFF0000u);
    // The red of the reference's own corner pixel is faded like everything else.
    EXPECT_EQ(red, 3);
    // The reference is never touched by a comparison.
    Bitmap stillExpected;
    ASSERT_TRUE(ReadPng(reference, stillExpected));
    EXPECT_TRUE(stillExpected == expected);
}

TEST_F(Golden, MissingReferenceFailsAndWritesTheActualPicture) {
    Scratch dir;
    const Bitmap actual = Pattern(6, 5);
    const std::string reference = dir / "absent.png";
    const ::testing::AssertionResult result = testing::MatchesGolden(actual, name_, reference);
    ASSERT_FALSE(result);
    EXPECT_NE(std::string(result.message()).find(reference), std::string::npos);
    EXPECT_FALSE(fs::exists(reference));
    Bitmap written;
    ASSERT_TRUE(ReadPng(actualPath_.string(), written));
    EXPECT_TRUE(written == actual);
}

TEST_F(Golden, UpdateModeWritesTheReferenceOnlyWhenAskedFor) {
    Scratch dir;
    const Bitmap picture = Pattern(6, 5);
    const std::string reference = dir / "sub/new.png";
    {
        ScopedEnv update("VEMORA_UPDATE_GOLDEN", "0");
        EXPECT_FALSE(testing::MatchesGolden(picture, name_, reference));
        EXPECT_FALSE(fs::exists(reference));
    }
    {
        ScopedEnv update("VEMORA_UPDATE_GOLDEN", "1");
        EXPECT_TRUE(testing::MatchesGolden(picture, name_, reference));
    }
    Bitmap written;
    ASSERT_TRUE(ReadPng(reference, written));
    EXPECT_TRUE(written == picture);
    EXPECT_TRUE(testing::MatchesGolden(picture, name_, reference));
}

} // namespace
} // namespace vemora::gfx
