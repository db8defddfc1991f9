// The plot run's reading against files no one writes on purpose: huge, endless, binary,
// changing under it, or not files at all.
#include "app/plotrun.h"
#include "app/textreader.h"
#include "platform/files/files.h"
#include "platform/numeric/exceptions.h"
#include "platform/ui/message_text.h"
#include "series/chart_series.h"
#include "support/temp_files.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vemora {
namespace {

using vemora::testing::TempDir;

// A window whose path field is read once per pass; the test may change the file between
// the passes, when the field is read the second time.
class PassWindow final : public TPlotWindow {
public:
    std::string path;
    std::function<void()> beforeSecondPass;

    std::string PathText() const override {
        if (++reads_ == 2 && beforeSecondPass) {
            beforeSecondPass();
        }
        return path;
    }
    void SetProgressMax(int32_t) override {}
    void SetProgressPosition(int32_t) override {}
    void ShowProgress() override {}
    void UpdateChart() override {}
    void Sleep(int32_t) override {}

    void NewRun() { reads_ = 0; }

private:
    mutable int reads_ = 0;
};

// Bytes this process has read through system calls so far.
int64_t BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    int64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") {
            return value;
        }
    }
    return -1;
}

int64_t PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class ExtremeFiles : public ::testing::Test {
protected:
    ExtremeFiles() : run_(window_, series_) {
        series_.OnAfterAdd = [this](TChartSeries* s, int32_t index) {
            run_.Series1AfterAdd(s, index);
        };
        SetPendingIOError(0);
    }

    void RunOn(const std::string& path) {
        window_.path = path;
        window_.NewRun();
        run_.Button1Click(nullptr);
    }

    // The message box text of a run that must fail.
    std::string FailingRun(const std::string& path) {
        try {
            RunOn(path);
        } catch (const Exception& e) {
            EXPECT_FALSE(run_.DataFile().IsOpen());
            return MessageBoxText(e.Message());
        }
        ADD_FAILURE() << "the run did not fail on " << path;
        return "";
    }

    std::vector<std::pair<double, double>> SeriesPoints() const {
        std::vector<std::pair<double, double>> points;
        for (int32_t i = 0; i < series_.PointCount(); ++i) {
            points.emplace_back(series_.XAt(i), series_.YAt(i));
        }
        return points;
    }

    using Points = std::vector<std::pair<double, double>>;

    TempDir dir_;
    PassWindow window_;
    TChartSeries series_;
    TPlotRun run_;
};

TEST_F(ExtremeFiles, AGigabyteFileIsReadOnlyAsFarAsThePointsGo) {
    // 50000 lines of two numbers, then zeros up to 1 GiB (a sparse file: no disk spent).
    std::string head;
    for (int i = 0; i < 50000; ++i) {
        head += std::to_string(i) + " " + std::to_string(-i) + "\n";
    }
    const std::string path = dir_.Write("huge.txt", head);
    constexpr off_t kSize = off_t{1} << 30;
    ASSERT_EQ(truncate(path.c_str(), kSize), 0);

    const int64_t readBefore = BytesRead();
    const int64_t peakBefore = PeakResidentKiB();
    RunOn(path);
    const int64_t read = BytesRead() - readBefore;

    ASSERT_EQ(series_.PointCount(), 40000);
    EXPECT_EQ(series_.XAt(0), 0.0);
    EXPECT_EQ(series_.XAt(39999), 39999.0);
    EXPECT_EQ(series_.YAt(39999), -39999.0);
    // Each pass stops at the 40000th line: twice the head of the file, with the read-ahead.
    ASSERT_GE(readBefore, 0) << "no /proc/self/io";
    EXPECT_LT(read, 2 * int64_t(head.size()) + (1 << 20));
    EXPECT_LT(PeakResidentKiB() - peakBefore, 64 * 1024);
}

TEST_F(ExtremeFiles, OneHundredMegabyteLineWithoutALineEnd) {
    // Written a megabyte at a time, so that the peak below is the run's own.
    const std::string path = dir_.Write("line.txt", "12 ");
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        const std::string chunk(1u << 20, '9');
        for (int i = 0; i < 100; ++i) {
            out << chunk;
        }
        ASSERT_TRUE(out.good());
    }
    const int64_t peakBefore = PeakResidentKiB();
    RunOn(path);
    // The first pass goes through the whole line to find that it is the only one; 64
    // characters make a token, so the second number is the first 64 nines.
    const double nines = StoreDouble(ParseReal(std::string(64, '9').c_str()).Value);
    EXPECT_EQ(SeriesPoints(), (Points{{12, nines}}));
    EXPECT_LT(PeakResidentKiB() - peakBefore, 16 * 1024);
}

TEST_F(ExtremeFiles, BinaryFiles) {
    // Every byte below 33 separates numbers, so a file of NULs is one line without a
    // number: one point read at the end of the data, (0, 0).
    RunOn(dir_.Write("nul.txt", std::string(100000, '\0')));
    EXPECT_EQ(SeriesPoints(), (Points{{0, 0}}));

    // Ctrl-Z ends the data at once, whatever follows.
    RunOn(dir_.Write("ctrlz.txt", std::string(5000, '\x1a') + "1 2\n"));
    EXPECT_EQ(series_.PointCount(), 0);

    // A byte-order mark is not part of any number.
    RunOn(dir_.Write("ok.txt", "1 2\n"));
    EXPECT_EQ(FailingRun(dir_.Write("bom.txt", "\xEF\xBB\xBF"
                                               "1 2\n3 4\n")),
              "Invalid numeric input.");
    EXPECT_EQ(SeriesPoints(), (Points{{1, 2}}));

    // Any byte above 32 that is not part of a number form.
    for (int byte = 128; byte < 256; ++byte) {
        const std::string data = std::string(1, char(byte)) + "\n";
        ASSERT_EQ(FailingRun(dir_.Write("high.txt", data)), "Invalid numeric input.") << byte;
    }
}

TEST_F(ExtremeFiles, FortyThousandLinesOfLongestTokens) {
    // Tokens of exactly 64 characters are read whole; leading zeros keep the values exact.
    std::string data;
    const auto padded = [](const std::string& digits) {
        return std::string(64 - digits.size(), '0') + digits;
    };
    for (int i = 0; i < 40000; ++i) {
        data += padded(std::to_string(i)) + " " + padded(std::to_string(i) + ".25") + "\r\n";
    }
    RunOn(dir_.Write("tokens.txt", data));
    ASSERT_EQ(series_.PointCount(), 40000);
    for (int32_t i = 0; i < 40000; i += 997) {
        ASSERT_EQ(series_.XAt(i), i);
        ASSERT_EQ(series_.YAt(i), i + 0.25);
    }
    // One character more and the token is cut: its 65th character is the next number.
    RunOn(dir_.Write("cut.txt", padded("1") + "7\n"));
    EXPECT_EQ(SeriesPoints(), (Points{{1, 7}}));
}

TEST_F(ExtremeFiles, NumbersAtTheExponentExtremes) {
    RunOn(dir_.Write("extremes.txt", "1.7976931348623157e308 -1.7976931348623157e308\n"
                                     "4.9406564584124654e-324 -2.2250738585072014e-308\n"
                                     "1e-4951 -1e-5119\n"
                                     "1e5120 -1e99999\n"));
    EXPECT_EQ(SeriesPoints(), (Points{{0.0, -0.0},
                                      {4.9406564584124654e-324, -2.2250738585072014e-308},
                                      {1.7976931348623157e308, -1.7976931348623157e308},
                                      {INFINITY, -INFINITY}}));
    // Finite in the reader's format but not in a double, or beyond the reader's format.
    for (const char* data : {"1e309 1\n", "1 -1e4932\n", "1e5119 1\n", "1 2\n1e4931 1\n"}) {
        EXPECT_EQ(FailingRun(dir_.Write("over.txt", data)), "Floating point overflow.") << data;
    }
}

TEST_F(ExtremeFiles, AFileChangingBetweenThePasses) {
    const std::string path = dir_.Write("data.txt", "1 2\n3 4\n5 6\n");
    // Shorter: the missing numbers are read at the end of the data, as zeros.
    window_.beforeSecondPass = [&] { dir_.Write("data.txt", "7 8\n"); };
    RunOn(path);
    EXPECT_EQ(SeriesPoints(), (Points{{0, 0}, {0, 0}, {7, 8}}));
    // Longer: the lines counted first are the points read.
    window_.beforeSecondPass = [&] { dir_.Write("data.txt", "9 9\n8 8\n7 7\n6 6\n"); };
    RunOn(path);
    EXPECT_EQ(SeriesPoints(), (Points{{9, 9}}));
    // Gone, replaced by a folder, or holding a word: the run ends with what happened, and
    // the plot is the one before.
    window_.beforeSecondPass = [&] { ASSERT_EQ(unlink(path.c_str()), 0); };
    EXPECT_EQ(FailingRun(dir_.Write("data.txt", "1 2\n")), "File not found.");
    window_.beforeSecondPass = [&] {
        ASSERT_EQ(unlink(path.c_str()), 0);
        ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    };
    EXPECT_EQ(FailingRun(dir_.Write("data.txt", "1 2\n")), "File access denied.");
    ASSERT_EQ(rmdir(path.c_str()), 0);
    window_.beforeSecondPass = [&] { dir_.Write("data.txt", "1 two\n"); };
    EXPECT_EQ(FailingRun(dir_.Write("data.txt", "1 2\n")), "Invalid numeric input.");
    EXPECT_EQ(SeriesPoints(), (Points{{9, 9}}));
    window_.beforeSecondPass = [&] { ASSERT_EQ(chmod(path.c_str(), 0), 0); };
    if (geteuid() != 0) { // root reads whatever the mode
        EXPECT_EQ(FailingRun(dir_.Write("data.txt", "1 2\n")), "File access denied.");
    }
}

TEST_F(ExtremeFiles, PathsOfEveryKind) {
    // Cyrillic letters and spaces are an ordinary name.
    RunOn(dir_.Write("Мои данные 1.txt", "1 2\n"));
    EXPECT_EQ(SeriesPoints(), (Points{{1, 2}}));
    // Longer than the reader's path field, or than the system allows.
    for (const size_t length : {size_t{260}, size_t{5000}, size_t{100000}}) {
        const std::string path = dir_.Path() + "/" + std::string(length, 'a');
        EXPECT_EQ(FailingRun(path), "Invalid filename.") << length;
    }
    // Up to 4095 bytes a path is read; one byte more and it is refused unopened.
    std::string deep = dir_.Path();
    const size_t folders = (platform::kMaxPathLength - deep.size() - 101) / 151;
    for (size_t i = 0; i < folders; ++i) {
        deep.append(1, '/').append(150, 'd');
        ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
    }
    deep += '/';
    deep.append(platform::kMaxPathLength - deep.size(), 'f');
    ASSERT_EQ(deep.size(), 4095u);
    std::ofstream(deep) << "3 4\n";
    RunOn(deep);
    EXPECT_EQ(SeriesPoints(), (Points{{3, 4}}));
    EXPECT_EQ(FailingRun(deep + "g"), "Invalid filename.");
    RunOn(dir_.Write("short.txt", "1 2\n"));
    // A name with a line end, or a name that is nothing but spaces.
    EXPECT_EQ(FailingRun(dir_.PathOf("a\nb.txt")), "File not found.");
    EXPECT_EQ(FailingRun("   "), "File not found.");
    EXPECT_EQ(SeriesPoints(), (Points{{1, 2}}));
}

} // namespace
} // namespace vemora
