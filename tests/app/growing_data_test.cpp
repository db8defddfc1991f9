#include "app/growing_data.h"
#include "platform/numeric/exceptions.h"
#include "series/chart_series.h"
#include "series/value_list.h"
#include "support/temp_files.h"

#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vemora {
namespace {

using vemora::testing::TempDir;

// What an ordinary reading of a file gives: its points, or its failure with the place.
struct Reading {
    std::vector<TDataRow> points;
    std::string failure;
};

std::string FailureText(const Exception& e) {
    return e.Message() + " @ " + e.Detail();
}

Reading ReadOrdinarily(const TempDir& dir, const std::string& contents) {
    Reading result;
    TDataReading reading({});
    SetPendingIOError(0);
    try {
        const std::string path = dir.Write("prefix.txt", contents);
        reading.FirstPass(path);
        reading.SecondPass(path);
        result.points.assign(reading.Rows.begin(), reading.Rows.begin() + reading.Count);
    } catch (const Exception& e) {
        result.failure = FailureText(e);
    }
    SetPendingIOError(0);
    return result;
}

// Files of the shapes people write and of the shapes that test the reader: several numbers
// or none on a line, blank and white lines, CR LF, long tokens, now and then a bad number,
// an overflow or an end-of-data character.
std::string RandomFile(std::mt19937& random, int lines) {
    static const char* const numbers[] = {"1", "-2.5", "3e2", ".5",  "7.",   "+4",
                                          "0", "-0",   "12",  "1E3", "2.25", "-7e-1"};
    static const char* const bad[] = {"1,5", "abc", "1e", "-", "1e400", "0x1"};
    std::uniform_int_distribution<int> pick(0, 99);
    std::string text;
    for (int line = 0; line < lines; ++line) {
        const int kind = pick(random);
        if (kind < 8) {
            text += (kind < 4) ? "" : " \t";
        } else {
            const int count = kind < 20 ? 1 : kind < 85 ? 2 : 3 + kind % 3;
            for (int i = 0; i < count; ++i) {
                if (i > 0 || pick(random) < 10)
                    text += pick(random) < 10 ? std::string(1, '\0') : std::string(" ");
                const int which = pick(random);
                if (which < 2)
                    text += bad[static_cast<size_t>(pick(random)) % 6];
                else if (which < 4)
                    text += std::string(70, '1');
                else
                    text += numbers[static_cast<size_t>(pick(random)) % 12];
            }
        }
        if (pick(random) == 0)
            text += '\x1a';
        text += pick(random) < 15 ? "\r\n" : "\n";
    }
    return text;
}

// The part of what was written that an ordinary reading of its complete lines sees.
std::string CompleteLines(const std::string& written) {
    const size_t stop = written.find('\x1a');
    if (stop != std::string::npos)
        return written.substr(0, stop);
    const size_t lf = written.rfind('\n');
    return lf == std::string::npos ? std::string() : written.substr(0, lf + 1);
}

// The data's points and failure as an ordinary reading would give them.
Reading Shown(TGrowingData& data, const std::function<void()>& step) {
    Reading result;
    try {
        step();
        result.points = data.Points();
    } catch (const Exception& e) {
        result.failure = FailureText(e);
    }
    return result;
}

void ExpectSame(const Reading& expected, const Reading& actual) {
    EXPECT_EQ(expected.failure, actual.failure);
    ASSERT_EQ(expected.points.size(), actual.points.size());
    for (size_t i = 0; i < expected.points.size(); ++i) {
        EXPECT_EQ(0, std::memcmp(&expected.points[i], &actual.points[i], sizeof(TDataRow)))
            << "point " << i << ": " << expected.points[i][0] << " " << expected.points[i][1]
            << " against " << actual.points[i][0] << " " << actual.points[i][1];
    }
}

TEST(GrowingData, GivesWhatAnOrdinaryReadingOfTheCompleteLinesGives) {
    TempDir dir;
    std::mt19937 random(2026);
    for (int file = 0; file < 250; ++file) {
        SCOPED_TRACE("file " + std::to_string(file));
        const std::string text = RandomFile(random, 1 + file % 40);
        TGrowingData data;
        size_t written = 0;
        bool failed = false;
        std::string readText;
        Reading expected = ReadOrdinarily(dir, readText);
        while (written < text.size() && !failed) {
            const size_t piece = std::uniform_int_distribution<size_t>(1, 12)(random);
            const size_t from = written;
            written = std::min(text.size(), written + piece);
            // Read again only when a line has been completed.
            const std::string complete = CompleteLines(text.substr(0, written));
            if (complete != readText) {
                readText = complete;
                expected = ReadOrdinarily(dir, complete);
            }
            const Reading actual = Shown(data, [&] {
                data.Feed(reinterpret_cast<const uint8_t*>(text.data() + from), written - from);
            });
            ExpectSame(expected, actual);
            failed = !actual.failure.empty();
            ASSERT_FALSE(HasFailure()) << "after " << written << " bytes of:\n" << text;
        }
        if (failed)
            continue;
        // At the end of the input the last line counts without its line end.
        ExpectSame(ReadOrdinarily(dir, text), Shown(data, [&] { data.Finish(); }));
        ASSERT_FALSE(HasFailure()) << text;
    }
}

TEST(GrowingData, KeepsTheNewestPointsAndLeavesTheRest) {
    TGrowingData data(5);
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += std::to_string(i) + " " + std::to_string(100 + i) + "\n";
    data.Feed(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    EXPECT_EQ(data.Count(), 12);
    EXPECT_EQ(data.First(), 7);
    EXPECT_EQ(data.Settled(), 12);
    const std::vector<TDataRow> points = data.Points();
    ASSERT_EQ(points.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(points[static_cast<size_t>(i)][0], 7 + i);
        EXPECT_EQ(points[static_cast<size_t>(i)][1], 107 + i);
    }
    // A partial line waits for its end; then a bad number stops the data at its place,
    // however long ago the point it belongs to has left.
    const std::string more = "12 11";
    data.Feed(reinterpret_cast<const uint8_t*>(more.data()), more.size());
    EXPECT_EQ(data.Count(), 12);
    const std::string rest = "2\nx 1\n13 113\n";
    try {
        data.Feed(reinterpret_cast<const uint8_t*>(rest.data()), rest.size());
        ADD_FAILURE() << "the bad number was taken";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), io::kInvalidNumber);
        EXPECT_EQ(e.Detail(), "line 14, column 1: x");
    }
    EXPECT_TRUE(data.Ended());
    EXPECT_EQ(data.Point(12)[1], 112);
}

TEST(GrowingData, NumbersWaitingForTheirPairingHaveALimit) {
    // Lines of three numbers leave one number a line for the pairing to reach later: past
    // the limit, following fails with a message rather than running out of memory.
    TGrowingData data(kMaxDataPoints, 100);
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "1 2 3\n";
    data.Feed(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    EXPECT_EQ(data.Count(), 60);
    // A line whose end has not come holds its numbers too; white space costs nothing.
    const std::string blank(100000, ' ');
    data.Feed(reinterpret_cast<const uint8_t*>(blank.data()), blank.size());
    EXPECT_EQ(data.Count(), 60);
    text.clear();
    for (int i = 0; i < 50; ++i)
        text += "4 ";
    try {
        data.Feed(reinterpret_cast<const uint8_t*>(text.data()), text.size());
        ADD_FAILURE() << "the limit was not kept";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("too many"), std::string::npos) << e.Message();
    }
    EXPECT_TRUE(data.Ended());
}

// A series as a run of the given points leaves it.
std::vector<TDataRow> RunOf(const std::vector<TDataRow>& points) {
    TChartSeries series;
    series.XValues().SetOrder(TChartListOrder::loAscending);
    for (const TDataRow& p : points)
        series.AddPoint(p[0], p[1], "", clDefault);
    std::vector<TDataRow> held;
    for (int32_t i = 0; i < series.PointCount(); ++i)
        held.push_back({series.XAt(i), series.YAt(i)});
    return held;
}

TEST(GrowingSeries, HoldsWhatARunOfTheKeptPointsLeavesInTheSameOrder) {
    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Few distinct X, so that points of the same X are many and their order shows;
        // lines of one number leave points that change as the next numbers come.
        std::uniform_int_distribution<int> small(0, 5);
        std::string text;
        const bool single = round % 3 == 0;
        for (int line = 0; line < 80; ++line) {
            text.append(std::to_string(small(random)));
            if (!single || small(random) == 0)
                text.append(1, ' ').append(std::to_string(small(random)));
            text.append(1, '\n');
        }
        TGrowingData data(3 + round % 9);
        TGrowingSeries feed;
        TChartSeries series;
        series.XValues().SetOrder(TChartListOrder::loAscending);
        feed.Reset();
        size_t written = 0;
        while (written < text.size()) {
            const size_t piece = std::uniform_int_distribution<size_t>(1, 30)(random);
            const size_t from = written;
            written = std::min(text.size(), written + piece);
            data.Feed(reinterpret_cast<const uint8_t*>(text.data() + from), written - from);
            feed.Update(data, series);
            const std::vector<TDataRow> expected = RunOf(data.Points());
            ASSERT_EQ(series.PointCount(), static_cast<int32_t>(expected.size()));
            for (int32_t i = 0; i < series.PointCount(); ++i) {
                ASSERT_EQ(series.XAt(i), expected[static_cast<size_t>(i)][0]) << i;
                ASSERT_EQ(series.YAt(i), expected[static_cast<size_t>(i)][1]) << i;
            }
        }
    }
}

TEST(GrowingSeries, ARunThenPointsOneByOne) {
    TGrowingData data(4);
    const std::string first = "1 1\n2 2\n3 3\n";
    data.Feed(reinterpret_cast<const uint8_t*>(first.data()), first.size());
    TChartSeries series;
    series.XValues().SetOrder(TChartListOrder::loAscending);
    for (const TDataRow& p : data.Points())
        series.AddPoint(p[0], p[1], "", clDefault);
    TGrowingSeries feed;
    feed.Shown(data);
    EXPECT_FALSE(feed.Update(data, series)) << "nothing new, nothing changes";
    const std::string more = "0 9\n5 5\n";
    data.Feed(reinterpret_cast<const uint8_t*>(more.data()), more.size());
    EXPECT_TRUE(feed.Update(data, series));
    ASSERT_EQ(series.PointCount(), 4);
    EXPECT_EQ(series.XAt(0), 0);
    EXPECT_EQ(series.YAt(0), 9);
    EXPECT_EQ(series.XAt(1), 2);
    EXPECT_EQ(series.XAt(3), 5);
}

} // namespace
} // namespace vemora
