// The main window following a data file while it is written: at every moment it shows the
// points an ordinary run of the file's complete lines gives (the newest 40000 of them), it
// starts over when the file is replaced or cut, stops when it is gone or holds a bad
// number, follows standard input, and lets the user zoom and drag meanwhile.
#include "app/Vemora1.h"
#include "app/plotrun.h"
#include "platform/numeric/exceptions.h"
#include "series/chart_series.h"
#include "series/value_list.h"
#include "support/main_window.h"
#include "support/message_boxes.h"
#include "support/piped_stdin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vemora {
namespace {

using testing::MainWindow;
using testing::MessageBoxCloser;
using testing::PipedStdin;
using testing::PostKey;
using Points = std::vector<TDataRow>;

// What an ordinary run of the file's complete lines (those before its last line end)
// leaves in the series, in the series' order.
Points OrdinaryRun(const testing::TempDir& dir, const std::string& text) {
    const size_t lf = text.rfind('\n');
    const std::string path =
        dir.Write("complete.txt", lf == std::string::npos ? std::string() : text.substr(0, lf + 1));
    TDataReading reading({});
    reading.FirstPass(path);
    reading.SecondPass(path);
    TChartSeries series;
    series.XValues().SetOrder(TChartListOrder::loAscending);
    for (int32_t i = 0; i < reading.Count; ++i)
        series.AddPoint(reading.Rows[static_cast<size_t>(i)][0],
                        reading.Rows[static_cast<size_t>(i)][1], "", clDefault);
    Points held;
    for (int32_t i = 0; i < series.PointCount(); ++i)
        held.push_back({series.XAt(i), series.YAt(i)});
    return held;
}

// A file that a writer appends to, as a logger does.
class Writer {
public:
    explicit Writer(std::string path) : path_(std::move(path)) {}
    void Append(const std::string& bytes) {
        const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(fd);
        written_ += bytes;
    }
    // The file as a writer that starts it anew leaves it.
    void Restart(const std::string& bytes) {
        written_.clear();
        Append(bytes);
    }
    const std::string& Written() const { return written_; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string written_;
};

std::string Lines(int from, int to, double step = 0.5) {
    std::ostringstream out;
    for (int i = from; i < to; ++i)
        out << i * step << ' ' << std::lround(40 * std::sin(i / 9.0)) << '\n';
    return out.str();
}

class Following : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        form->ScrollBar1()->setValue(100);
    }

    Points Shown() const {
        Points points;
        for (int32_t i = 0; i < form->Series1().PointCount(); ++i)
            points.push_back({form->Series1().XAt(i), form->Series1().YAt(i)});
        return points;
    }
    // Waits until the window shows what an ordinary run of the written complete lines
    // gives; fails with the difference after a while.
    void ExpectShows(const Writer& writer) {
        const Points expected = OrdinaryRun(dir, writer.Written());
        (void)QTest::qWaitFor([&] { return !form->Running() && Shown() == expected; }, 5000);
        ASSERT_EQ(Shown().size(), expected.size());
        ASSERT_TRUE(Shown() == expected);
    }
    // Lets the window look at the file a few times.
    void Looks(int times = 5) { QTest::qWait(times * TForm1::kFollowInterval + 20); }
};

TEST_F(Following, ShowsTheCompleteLinesOfAFileWrittenSteadilyAndInBursts) {
    Writer writer(dir.PathOf("live.txt"));
    writer.Append(Lines(0, 60));
    form->StartFollowing(QString::fromStdString(writer.Path()));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Вемора № 1 — following"));
    ExpectShows(writer);
    // The first picture was a run: its progress, its end.
    EXPECT_EQ(form->ProgressMax(), 60);
    EXPECT_EQ(form->ProgressPosition(), 59);

    // A partial line waits for its line end.
    writer.Append("31 7");
    Looks();
    EXPECT_EQ(form->Series1().PointCount(), 60);
    writer.Append("5\n");
    ExpectShows(writer);
    EXPECT_EQ(form->Series1().MaxY(), 75);

    // A writer thread at a steady rate, then bursts of many lines; the points come in many
    // frames, each point once, and the run's progress stays as it was. Now and then the
    // writer waits until the window has shown what it wrote, so that a slow machine, where
    // the writer could outrun the window, still sees the points come in many frames.
    std::atomic<bool> done{false};
    std::atomic<int32_t> seen{form->Series1().PointCount()};
    const auto waitSeen = [&](int32_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (seen < count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    std::thread steady([&] {
        for (int i = 61; i < 400; ++i) {
            writer.Append(Lines(i, i + 1));
            std::this_thread::sleep_for(std::chrono::microseconds(700));
            if ((i + 1) % 40 == 0)
                waitSeen(i + 1);
        }
        for (int burst = 0; burst < 5; ++burst) {
            writer.Append(Lines(400 + burst * 300, 700 + burst * 300));
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            waitSeen(700 + burst * 300);
        }
        done = true;
    });
    std::vector<int32_t> counts;
    while (!done) {
        QTest::qWait(5);
        if (counts.empty() || counts.back() != form->Series1().PointCount())
            counts.push_back(form->Series1().PointCount());
        seen = counts.back();
    }
    steady.join();
    ExpectShows(writer);
    EXPECT_GT(counts.size(), 10u) << "the points came in a few large frames only";
    EXPECT_EQ(form->ProgressMax(), 60);
    EXPECT_TRUE(form->Following());
    PostKey(form.get(), Qt::Key_Escape);
    (void)QTest::qWaitFor([&] { return !form->Following(); }, 1000);
    EXPECT_FALSE(form->Following());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Вемора № 1"));
    // Stopped, it reads no more.
    writer.Append(Lines(2000, 2010));
    Looks();
    EXPECT_EQ(form->Series1().PointCount(), 1900);
}

TEST_F(Following, StartsOverWhenTheFileIsReplacedOrCutAndWaitsForOneNotThereYet) {
    Writer writer(dir.PathOf("later.txt"));
    form->StartFollowing(QString::fromStdString(writer.Path()));
    Looks();
    EXPECT_TRUE(form->Following()) << "a file not there yet is waited for";
    writer.Append(Lines(0, 30));
    ExpectShows(writer);

    // Rotated: renamed away and created anew.
    ASSERT_EQ(std::rename(writer.Path().c_str(), dir.PathOf("later.txt.1").c_str()), 0);
    writer.Restart(Lines(100, 110, 3));
    ExpectShows(writer);
    EXPECT_EQ(form->ProgressMax(), 10) << "a new run";
    // Cut to nothing, then written again: longer than it was, or shorter.
    ASSERT_EQ(truncate(writer.Path().c_str(), 0), 0);
    writer.Restart(Lines(-50, 0, 2));
    ExpectShows(writer);
    ASSERT_EQ(truncate(writer.Path().c_str(), 0), 0);
    writer.Restart(Lines(7, 9));
    ExpectShows(writer);
    // A new run is seen whole, whatever the zoom.
    writer.Append(Lines(9, 40));
    ExpectShows(writer);
    Drag(Qt::LeftButton, 200, 150, 400, 400);
    ASSERT_TRUE(form->Chart1().IsZoomed());
    // Points arriving keep the zoom the user holds.
    const double zoomedMax = form->Chart1().BottomAxis().Maximum();
    writer.Append(Lines(40, 45));
    ExpectShows(writer);
    EXPECT_TRUE(form->Chart1().IsZoomed());
    EXPECT_EQ(form->Chart1().BottomAxis().Maximum(), zoomedMax);
    ASSERT_EQ(std::rename(writer.Path().c_str(), dir.PathOf("later.txt.2").c_str()), 0);
    writer.Restart(Lines(0, 5));
    ExpectShows(writer);
    EXPECT_FALSE(form->Chart1().IsZoomed());

    // Gone for a moment and back: followed on; gone for good: following ends, the points
    // stay, and nothing is said.
    MessageBoxCloser closer;
    ASSERT_EQ(unlink(writer.Path().c_str()), 0);
    QTest::qWait(300);
    writer.Restart(Lines(0, 3));
    ExpectShows(writer);
    EXPECT_TRUE(form->Following());
    ASSERT_EQ(unlink(writer.Path().c_str()), 0);
    (void)QTest::qWaitFor([&] { return !form->Following(); }, 3000);
    EXPECT_FALSE(form->Following());
    EXPECT_EQ(form->Series1().PointCount(), 3);
    EXPECT_TRUE(closer.Boxes().empty());
}

TEST_F(Following, ABadNumberStopsFollowingWithItsPlaceAndKeepsThePoints) {
    MessageBoxCloser closer;
    Writer writer(dir.PathOf("bad.txt"));
    writer.Append(Lines(0, 20));
    form->StartFollowing(QString::fromStdString(writer.Path()));
    ExpectShows(writer);
    writer.Append("10 1\n11 2,5\n12 3\n");
    (void)QTest::qWaitFor([&] { return !form->Following(); }, 3000);
    EXPECT_FALSE(form->Following());
    ASSERT_EQ(closer.Boxes().size(), 1u);
    EXPECT_EQ(closer.Boxes()[0].text, QStringLiteral("Invalid numeric input."));
    EXPECT_EQ(closer.Boxes()[0].informative, QStringLiteral("line 22, column 4: 2,5"));
    EXPECT_EQ(form->Series1().PointCount(), 20);
}

TEST_F(Following, WhileTheUserDragsNewPointsWait) {
    Writer writer(dir.PathOf("drag.txt"));
    writer.Append(Lines(0, 50));
    form->StartFollowing(QString::fromStdString(writer.Path()));
    ExpectShows(writer);
    Press(Qt::LeftButton, 200, 200);
    Move(260, 260);
    writer.Append(Lines(50, 60));
    Looks();
    EXPECT_EQ(form->Series1().PointCount(), 50);
    Release(Qt::LeftButton, 300, 300);
    ExpectShows(writer);
}

TEST_F(Following, KeepsTheNewest40000Points) {
    // Random X: each new point lands anywhere among the others, and the oldest leaves from
    // wherever it is.
    std::mt19937 random(5);
    std::uniform_int_distribution<int> x(0, 9999);
    std::string text;
    for (int i = 0; i < 45000; ++i)
        text += std::to_string(x(random)) + ' ' + std::to_string(i % 97) + '\n';
    Writer writer(dir.PathOf("many.txt"));
    writer.Append(text);
    form->StartFollowing(QString::fromStdString(writer.Path()));
    const auto tail = [&](const std::string& all) {
        size_t at = all.size();
        for (int lines = 0; lines <= kMaxDataPoints; ++lines)
            at = all.rfind('\n', at - 1);
        return all.substr(at + 1);
    };
    Writer expected(dir.PathOf("expected.txt"));
    expected.Restart(tail(writer.Written()));
    ExpectShows(expected);
    EXPECT_EQ(form->ProgressMax(), kMaxDataPoints);
    std::string more;
    for (int i = 45000; i < 50000; ++i)
        more += std::to_string(x(random)) + ' ' + std::to_string(i % 89) + '\n';
    writer.Append(more);
    expected.Restart(tail(writer.Written()));
    ExpectShows(expected);
}

TEST_F(Following, StandardInputPointsComeAsTheyArriveUntilItsEnd) {
    Plot(7);
    const int32_t progress = form->ProgressMax();
    PipedStdin input;
    form->StartFollowing(QStringLiteral("-"));
    EXPECT_EQ(form->Edit1()->text(), QStringLiteral("-"));
    EXPECT_EQ(form->Series1().PointCount(), 0) << "no run: the chart starts empty";
    Writer fake(dir.PathOf("stdin.txt"));
    for (const std::string piece : {"1 1\n2 ", "4\n3 9\n", "4 16\n5 2", "5\n"}) {
        input.Write(piece);
        fake.Append(piece);
        ExpectShows(fake);
    }
    EXPECT_EQ(form->ProgressMax(), progress);
    // At its end the last line counts without its line end, and following ends.
    input.Write("6 36");
    input.CloseWriting();
    (void)QTest::qWaitFor([&] { return !form->Following(); }, 3000);
    EXPECT_FALSE(form->Following());
    fake.Append("6 36\n");
    ExpectShows(fake);
}

TEST_F(Following, TheKeyStartsAndStopsItAndANewRunEndsIt) {
    Writer writer(dir.PathOf("keys.txt"));
    writer.Append(Lines(0, 10));
    form->SetPathText(QString::fromStdString(writer.Path()));
    PostKey(form.get(), Qt::Key_F5);
    ExpectShows(writer);
    EXPECT_TRUE(form->Following());
    PostKey(form.get(), Qt::Key_F5);
    (void)QTest::qWaitFor([&] { return !form->Following(); }, 1000);
    EXPECT_FALSE(form->Following());

    form->StartFollowing(QString::fromStdString(writer.Path()));
    ExpectShows(writer);
    // Enter in the path field runs the file as the button does, and following ends.
    const std::string other = dir.Write("other.txt", "1 1\n2 2\n");
    form->SetPathText(QString::fromStdString(other));
    QTest::keyClick(form->Edit1(), Qt::Key_Return);
    EXPECT_FALSE(form->Following());
    EXPECT_EQ(form->Series1().PointCount(), 2);
    writer.Append(Lines(10, 20));
    Looks();
    EXPECT_EQ(form->Series1().PointCount(), 2);
}

} // namespace
} // namespace vemora
