#include "app/plotrun.h"
#include "platform/numeric/exceptions.h"
#include "series/chart_series.h"
#include "support/temp_files.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vemora {
namespace {

using vemora::testing::TempDir;

// Records what the plot run does to its window.
class FakeWindow final : public TPlotWindow {
public:
    std::string path;
    int32_t progressMax = 100;
    int32_t progressPosition = 0;
    int showCount = 0;
    int updates = 0;
    std::vector<int32_t> sleeps;
    std::vector<int32_t> pointsAtUpdate;
    const TChartSeries* series = nullptr;
    bool failOnUpdate = false;

    std::string PathText() const override { return path; }
    void SetProgressMax(int32_t v) override { progressMax = v; }
    void SetProgressPosition(int32_t v) override { progressPosition = v; }
    void ShowProgress() override { ++showCount; }
    void UpdateChart() override {
        ++updates;
        if (series != nullptr) {
            pointsAtUpdate.push_back(series->PointCount());
        }
        if (failOnUpdate) {
            throw Exception("paint failed");
        }
    }
    void Sleep(int32_t ms) override { sleeps.push_back(ms); }
    // Points the series held when the plot was about to start, one entry a start.
    std::vector<int32_t> pointsAtStart;
    void PlotStarting() override {
        pointsAtStart.push_back(series != nullptr ? series->PointCount() : -1);
    }
    // The user asks to stop once this many pauses have passed.
    size_t stopAfterSleeps = SIZE_MAX;
    bool StopRequested() const override { return sleeps.size() >= stopAfterSleeps; }
};

class PlotRunTest : public ::testing::Test {
protected:
    PlotRunTest() : run_(window_, series_) {
        window_.series = &series_;
        series_.OnAfterAdd = [this](TChartSeries* s, int32_t index) {
            addedAt_.push_back(index);
            run_.Series1AfterAdd(s, index);
        };
        series_.OnClearValues = [this](TChartSeries*) { ++clears_; };
        SetPendingIOError(0);
    }

    void RunOn(std::string_view contents) {
        window_.path = dir_.Write("data.txt", contents);
        run_.Button1Click(nullptr);
    }

    std::vector<std::pair<double, double>> SeriesPoints() const {
        std::vector<std::pair<double, double>> points;
        for (int32_t i = 0; i < series_.PointCount(); ++i) {
            points.emplace_back(series_.XAt(i), series_.YAt(i));
        }
        return points;
    }

    // Runs on `contents` expecting an EInOutError; returns its code and message.
    std::pair<int32_t, std::string> FailingRun(std::string_view contents) {
        try {
            RunOn(contents);
        } catch (const EInOutError& e) {
            return {e.ErrorCode(), e.Message()};
        }
        ADD_FAILURE() << "the run did not fail";
        return {0, ""};
    }

    using Points = std::vector<std::pair<double, double>>;

    TempDir dir_;
    FakeWindow window_;
    TChartSeries series_;
    TPlotRun run_;
    std::vector<int32_t> addedAt_;
    int clears_ = 0;
};

TEST(PausePerPoint, RoundsToNearestWithTiesToEven) {
    EXPECT_EQ(PausePerPoint(500, 100), 1);
    EXPECT_EQ(PausePerPoint(1, 1), 50000);
    EXPECT_EQ(PausePerPoint(1000, 100), 0); // 0.5 to even
    EXPECT_EQ(PausePerPoint(40000, 100), 0);
    EXPECT_EQ(PausePerPoint(40000, 1), 1); // 1.25
    EXPECT_EQ(PausePerPoint(20000, 1), 2); // 2.5 to even
    EXPECT_EQ(PausePerPoint(33334, 1), 1); // 1.49997
    EXPECT_EQ(PausePerPoint(10000, 2), 2); // 2.5 to even
    EXPECT_EQ(PausePerPoint(3, 1), 16667);
    EXPECT_EQ(PausePerPoint(66667, 1), 1); // 0.749996
    EXPECT_EQ(PausePerPoint(100001, 1), 0);
    EXPECT_THROW(PausePerPoint(0, 5), EZeroDivide);
}

TEST_F(PlotRunTest, AStopRequestEndsTheRunAfterThePointBeingAdded) {
    RunOn("1 10\n2 20\n");
    ASSERT_EQ(window_.pointsAtStart, std::vector<int32_t>{0});
    // The next plot starts once both passes are done, with the old points still there.
    window_.stopAfterSleeps = window_.sleeps.size() + 2;
    RunOn("5 50\n4 40\n3 30\n2 20\n1 10\n");
    EXPECT_EQ(window_.pointsAtStart, (std::vector<int32_t>{0, 2}));
    // Two points in, as a run cut short there would leave them: the bar at the second.
    EXPECT_EQ(SeriesPoints(), (std::vector<std::pair<double, double>>{{4, 40}, {5, 50}}));
    EXPECT_EQ(window_.progressMax, 5);
    EXPECT_EQ(window_.progressPosition, 1);
    EXPECT_FALSE(run_.DataFile().IsOpen());

    // A run that fails while reading does not start a plot.
    window_.stopAfterSleeps = SIZE_MAX;
    FailingRun("abc\n");
    EXPECT_EQ(window_.pointsAtStart.size(), 2u);
    EXPECT_EQ(series_.PointCount(), 2);
}

TEST_F(PlotRunTest, EmptyFileClearsTheSeriesAndAddsNothing) {
    series_.AddPoint(1, 1, "", clDefault);
    addedAt_.clear();
    window_.updates = 0;
    window_.sleeps.clear();
    RunOn("");
    EXPECT_EQ(run_.DataCount(), 0);
    EXPECT_EQ(window_.progressMax, 0);
    EXPECT_EQ(series_.PointCount(), 0);
    EXPECT_EQ(clears_, 1);
    EXPECT_TRUE(addedAt_.empty());
    EXPECT_TRUE(window_.sleeps.empty());
    EXPECT_EQ(window_.updates, 0);
}

TEST_F(PlotRunTest, ThreeLinesMakeThreePointsEachPaintedAndPaused) {
    RunOn("1 2\n3 4\n5 6\n");
    EXPECT_EQ(SeriesPoints(), (Points{{1, 2}, {3, 4}, {5, 6}}));
    EXPECT_EQ(window_.progressMax, 3);
    EXPECT_EQ(window_.progressPosition, 2);
    EXPECT_EQ(window_.showCount, 3);
    // Every update happens with the new point already in the series.
    EXPECT_EQ(window_.pointsAtUpdate, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(window_.sleeps, (std::vector<int32_t>{16667, 16667, 16667}));
    EXPECT_FALSE(run_.DataFile().IsOpen());
}

TEST_F(PlotRunTest, LineStructure) {
    struct Case {
        std::string contents;
        Points points;
    } cases[] = {
        // Blank lines between data lines are not counted.
        {"1 2\n\n\n3 4\n", {{1, 2}, {3, 4}}},
        // White space after the last line end is one more line, read as (0, 0).
        {"1 2\n3 4\n\n", {{1, 2}, {3, 4}, {0, 0}}},
        {"1 2\n3 4\n  \t", {{1, 2}, {3, 4}, {0, 0}}},
        // No line end after the last number.
        {"1 2\n3 4", {{1, 2}, {3, 4}}},
        // One number per line: pairing runs across the lines.
        {"5\n6\n", {{5, 6}, {0, 0}}},
        // Extra numbers shift the pairing of the second pass.
        {"1 2 3\n4 5 6\n", {{1, 2}, {3, 4}}},
        // CR LF line ends; a lone CR does not end a line.
        {"1 2\r\n3 4\r\n", {{1, 2}, {3, 4}}},
        {"1 2\r3 4\r5 6\r", {{1, 2}}},
        // Ctrl-Z ends the data.
        {"1 2\n3 4\n\x1a"
         "5 6\n",
         {{1, 2}, {3, 4}}},
        // Only NUL bytes: one line, read at the end of the data.
        {std::string(4, '\0'), {{0, 0}}},
    };
    for (const Case& c : cases) {
        RunOn(c.contents);
        Points read;
        for (int32_t i = 0; i < run_.DataCount(); ++i) {
            read.emplace_back(run_.DataPoints()[i][0], run_.DataPoints()[i][1]);
        }
        EXPECT_EQ(read, c.points) << c.contents;
        EXPECT_EQ(series_.PointCount(), run_.DataCount());
    }
}

TEST_F(PlotRunTest, PointsGoInXOrderAndTheHandlerSeesTheInsertionIndex) {
    RunOn("3 30\n1 10\n2 20\n");
    EXPECT_EQ(SeriesPoints(), (Points{{1, 10}, {2, 20}, {3, 30}}));
    EXPECT_EQ(addedAt_, (std::vector<int32_t>{0, 0, 1}));
    EXPECT_EQ(window_.progressPosition, 2);
}

TEST_F(PlotRunTest, OnlyTheFirst40000LinesCount) {
    std::string contents;
    contents.reserve(40010 * 24);
    for (int i = 0; i < 40010; ++i) {
        contents += std::to_string(i) + " " + std::to_string(-i) + " 0.5\n";
    }
    RunOn(contents);
    EXPECT_EQ(run_.DataCount(), 40000);
    EXPECT_EQ(series_.PointCount(), 40000);
    EXPECT_EQ(window_.progressMax, 40000);
    EXPECT_EQ(window_.progressPosition, 39999);
    // The second pass takes the first 80000 numbers, three per line.
    const auto& rows = run_.DataPoints();
    const auto number = [](int k) {
        const int line = k / 3;
        switch (k % 3) {
        case 0:
            return static_cast<double>(line);
        case 1:
            return static_cast<double>(-line);
        default:
            return 0.5;
        }
    };
    for (int i = 0; i < 40000; i += 997) {
        EXPECT_EQ(rows[i][0], number(2 * i)) << i;
        EXPECT_EQ(rows[i][1], number(2 * i + 1)) << i;
    }
    EXPECT_EQ(rows[39999][1], number(79999));
    EXPECT_EQ(window_.sleeps.size(), 40000u);
    EXPECT_EQ(window_.sleeps.front(), 1); // 50000 / 40000 = 1.25
}

TEST_F(PlotRunTest, SpeedComesFromTheScrollBar) {
    std::string contents;
    for (int i = 0; i < 500; ++i) {
        contents += std::to_string(i) + " 1\n";
    }
    EXPECT_EQ(run_.Speed(), 1);
    run_.ScrollBar1Change(100);
    EXPECT_EQ(run_.Speed(), 100);
    RunOn(contents);
    ASSERT_EQ(window_.sleeps.size(), 500u);
    for (int32_t ms : window_.sleeps) {
        ASSERT_EQ(ms, 1);
    }
}

TEST_F(PlotRunTest, ReaderFailuresKeepThePreviousPlot) {
    RunOn("1 2\n3 4\n");
    const Points before = SeriesPoints();
    const int clearsBefore = clears_;
    struct Case {
        const char* contents;
        int32_t code;
        const char* message;
    } cases[] = {
        {"abc 1\n", 106, "Invalid numeric input"},
        // A bad token after the first of a line fails only in the second pass.
        {"1 abc\n", 106, "Invalid numeric input"},
        {"1 2\n3 4,5\n", 106, "Invalid numeric input"},
        {"\xEF\xBB\xBF"
         "1 2\n",
         106, "Invalid numeric input"},
    };
    for (const Case& c : cases) {
        const auto [code, message] = FailingRun(c.contents);
        EXPECT_EQ(code, c.code) << c.contents;
        EXPECT_EQ(message, c.message) << c.contents;
        EXPECT_EQ(SeriesPoints(), before) << c.contents;
        EXPECT_EQ(clears_, clearsBefore);
        EXPECT_EQ(window_.progressMax, 2);
        EXPECT_EQ(window_.progressPosition, 1);
        EXPECT_FALSE(run_.DataFile().IsOpen());
        EXPECT_EQ(PendingIOError(), 0);
    }
}

TEST_F(PlotRunTest, MissingFileThenACorrectPathWorks) {
    RunOn("1 2\n");
    window_.path = dir_.PathOf("absent.txt");
    try {
        run_.Button1Click(nullptr);
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 2);
        EXPECT_EQ(e.Message(), "File not found");
    }
    EXPECT_EQ(SeriesPoints(), (Points{{1, 2}}));
    RunOn("7 8\n9 10\n");
    EXPECT_EQ(SeriesPoints(), (Points{{7, 8}, {9, 10}}));
}

TEST_F(PlotRunTest, PathsThatAreNotRegularFilesAreRefused) {
    const std::string fifo = dir_.PathOf("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), dir_.Path()}) {
        window_.path = path;
        try {
            run_.Button1Click(nullptr);
            ADD_FAILURE() << path;
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode(), 5) << path;
            EXPECT_EQ(e.Message(), "File access denied");
        }
    }
}

TEST_F(PlotRunTest, NumbersTooLargeForADoubleOverflow) {
    // First number of a line: the first pass stores it and overflows.
    EXPECT_THROW(RunOn("1e400 1\n"), EOverflow);
    EXPECT_FALSE(run_.DataFile().IsOpen());
    // Later numbers are skipped by the first pass and overflow in the second.
    EXPECT_THROW(RunOn("1 2\n3 -1e309\n"), EOverflow);
    EXPECT_FALSE(run_.DataFile().IsOpen());
    // Scales of 5120 and beyond read as infinity without an error.
    RunOn("1e5120 -1e6000\n2 1e-6000\n");
    EXPECT_EQ(SeriesPoints(), (Points{{2, 0}, {INFINITY, -INFINITY}}));
}

TEST_F(PlotRunTest, FailedRunsDoNotLeakDescriptors) {
    const std::string bad = dir_.Write("bad.txt", "1 2\n3 x\n");
    window_.path = bad;
    const int before = vemora::testing::OpenDescriptorCount();
    for (int i = 0; i < 200; ++i) {
        EXPECT_THROW(run_.Button1Click(nullptr), EInOutError);
    }
    EXPECT_EQ(vemora::testing::OpenDescriptorCount(), before);
    // The second pass stored what it had read before the failing token.
    EXPECT_EQ(run_.DataPoints()[1][0], 3.0);
}

TEST_F(PlotRunTest, OldRowsOfThePointTableSurviveANewRun) {
    RunOn("1 2\n3 4\n5 6\n");
    RunOn("9 9\n");
    ASSERT_EQ(run_.DataPoints().size(), 40000u);
    EXPECT_EQ(run_.DataPoints()[0][0], 9.0);
    EXPECT_EQ(run_.DataPoints()[2][1], 6.0);
    EXPECT_EQ(run_.DataPoints()[3][0], 0.0);
}

TEST_F(PlotRunTest, AFailingRepaintEndsTheRunWithThePointStored) {
    window_.failOnUpdate = true;
    EXPECT_THROW(RunOn("1 2\n3 4\n"), Exception);
    EXPECT_EQ(series_.PointCount(), 1);
    EXPECT_TRUE(window_.sleeps.empty());
    // The progress bar stays where the run left it: not moved for the failed point.
    EXPECT_EQ(window_.progressMax, 2);
    EXPECT_EQ(window_.showCount, 0);
}

TEST_F(PlotRunTest, ProgressIsNotResetBeforeTheFirstPoint) {
    RunOn("1 1\n2 2\n3 3\n4 4\n");
    EXPECT_EQ(window_.progressPosition, 3);
    int32_t positionAtFirstUpdate = -1;
    series_.OnAfterAdd = [&](TChartSeries*, int32_t) {
        if (positionAtFirstUpdate < 0) {
            positionAtFirstUpdate = window_.progressPosition;
        }
    };
    RunOn("1 1\n2 2\n");
    EXPECT_EQ(positionAtFirstUpdate, 3);
    EXPECT_EQ(window_.progressPosition, 1);
}

// Where a failing number lies, as the user reads it under the message.
TEST_F(PlotRunTest, ABadNumberSaysItsLineColumnAndToken) {
    auto detailOf = [&](const std::string& contents) {
        try {
            RunOn(contents);
        } catch (const Exception& e) {
            return e.Message() + " | " + e.Detail();
        }
        return std::string("no failure");
    };
    // Found by the first pass: the first token of a line, many blocks into the file.
    std::string lines;
    // Past the first read from the system, so that the lines are counted across reads.
    for (int i = 1; i <= 12000; ++i)
        lines += std::to_string(i) + " " + std::to_string(i * 7) + "\r\n";
    EXPECT_EQ(detailOf(lines + "\t nan 3\n"), "Invalid numeric input | line 12001, column 3: nan");
    // Found by the second pass: a later token of a line, with blank lines before it.
    ASSERT_GT(lines.size(), 2u * 64 * 1024);
    EXPECT_EQ(detailOf(lines + "\n\n12   1,5\n"),
              "Invalid numeric input | line 12003, column 6: 1,5");
    // A lone CR ends no line for the reader, and the column goes on counting through it.
    EXPECT_EQ(detailOf("1\r x4\n"), "Invalid numeric input | line 1, column 4: x4");
    // A token longer than the reader takes is read as two: the second piece is the fault.
    const std::string digits(64, '1');
    EXPECT_EQ(detailOf("5 " + digits + "22a\n6 7\n"),
              "Invalid numeric input | line 1, column 67: 22a");
    // Only the first 40 characters of a long token are told; a character is whole.
    const std::string word = "\xd1\x87" + std::string(45, 'q');
    EXPECT_EQ(detailOf("1 2\n" + word + "\n"),
              "Invalid numeric input | line 2, column 1: " + word.substr(0, 41));
    // Too large for a double, whether the scale or the store overflows.
    EXPECT_EQ(detailOf("1 2\n3  1e400\n"), "Floating point overflow | line 2, column 4: 1e400");
    EXPECT_EQ(detailOf("9e4000\n"), "Floating point overflow | line 1, column 1: 9e4000");
    // A failure of the file itself has no place.
    window_.path = dir_.PathOf("missing.txt");
    try {
        run_.Button1Click(nullptr);
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Detail(), "");
    }
}

// Runs the two passes with standard input replaced by `fd`.
template <typename Body> void WithStdin(int fd, Body body) {
    const int saved = dup(STDIN_FILENO);
    ASSERT_GE(saved, 0);
    dup2(fd, STDIN_FILENO);
    body();
    dup2(saved, STDIN_FILENO);
    close(saved);
}

TEST_F(PlotRunTest, StandardInputIsReadOnceAndGivesThePointsOfTheSameFile) {
    // More than a read's worth, lines with extra numbers and with one, and a blank end.
    std::string data;
    for (int i = 0; i < 9000; ++i)
        data += std::to_string(i) + (i % 3 == 0 ? " 5 6\n" : i % 7 == 0 ? "\n" : " -2.5\n");
    data += "\n";
    window_.path = dir_.Write("data.txt", data);
    run_.ReadDataFile();
    const int32_t count = run_.DataCount();
    const std::vector<TDataRow> fromFile(run_.DataPoints().begin(),
                                         run_.DataPoints().begin() + count);
    ASSERT_GT(count, 8000);

    // Through a pipe, written in pieces while it is read.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    std::thread writer([&] {
        for (size_t at = 0; at < data.size(); at += 3000) {
            const std::string piece = data.substr(at, 3000);
            ASSERT_EQ(write(pipeEnds[1], piece.data(), piece.size()),
                      static_cast<ssize_t>(piece.size()));
        }
        close(pipeEnds[1]);
    });
    window_.path.clear();
    WithStdin(pipeEnds[0], [&] { run_.ReadDataFile(); });
    writer.join();
    close(pipeEnds[0]);
    ASSERT_EQ(run_.DataCount(), count);
    EXPECT_TRUE(std::equal(fromFile.begin(), fromFile.end(), run_.DataPoints().begin()));

    // A file given as standard input, from where it stands.
    const std::string offsetData = "junk\n" + data;
    const int fd = open(dir_.Write("offset.txt", offsetData).c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(lseek(fd, 5, SEEK_SET), 5);
    WithStdin(fd, [&] { run_.ReadDataFile(); });
    close(fd);
    ASSERT_EQ(run_.DataCount(), count);
    EXPECT_TRUE(std::equal(fromFile.begin(), fromFile.end(), run_.DataPoints().begin()));
}

} // namespace
} // namespace vemora
