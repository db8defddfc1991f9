// How far the window following a file is behind the file: a writer thread appends lines at
// a steady rate (line i holds X = i), and each line's latency is the time from its write to
// the end of the first frame painted with it. Run it under an X server (bench/
// follow_latency.sh starts Xvfb): follow_latency [SECONDS] [LINES_PER_SECOND].
// Prints the lines, the frames, and the median, 95th percentile and largest latency.
#include "app/Vemora1.h"
#include "chart/chart.h"
#include "platform/ui/qt_application.h"
#include "platform/ui/qt_window_host.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The end of every frame the chart paints, with the newest line it shows.
class PaintWatch final : public QObject {
public:
    explicit PaintWatch(vemora::TForm1& form) : form_(form) {}
    struct Frame {
        Clock::time_point end;
        double newest;
    };
    std::vector<Frame> frames;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || inside_)
            return false;
        inside_ = true;
        QCoreApplication::sendEvent(watched, event);
        inside_ = false;
        if (form_.Series1().PointCount() > 0)
            frames.push_back({Clock::now(), form_.Series1().MaxX()});
        return true;
    }

private:
    vemora::TForm1& form_;
    bool inside_ = false;
};

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int rate = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int lines = seconds * rate;
    char folder[] = "/tmp/follow-latency-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string path = std::string(folder) + "/live.txt";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return 1;

    vemora::ui::TApplication application(argc, argv);
    vemora::UsePaletteSystemColors(QApplication::palette());
    vemora::TForm1 form;
    application.SetMainWindow(&form);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::fprintf(stderr, "The window was not shown.\n");
        return 1;
    }
    form.ScrollBar1()->setValue(100);
    PaintWatch watch(form);
    form.Chart1Window()->installEventFilter(&watch);
    form.StartFollowing(QString::fromStdString(path));
    QTest::qWait(100);

    std::vector<Clock::time_point> written(static_cast<size_t>(lines));
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const auto start = Clock::now();
        for (int i = 0; i < lines; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(1000000LL * i / rate));
            const double y = 40 * std::sin(i / 300.0) + (i * 7919 % 13);
            const std::string line = std::to_string(i) + ' ' + std::to_string(y) + '\n';
            if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
                std::abort();
            written[static_cast<size_t>(i)] = Clock::now();
        }
        done = true;
    });
    while (!done)
        QTest::qWait(5);
    writer.join();
    QTest::qWait(500);
    close(fd);
    form.StopFollowing();

    std::vector<double> latency;
    size_t frame = 0;
    for (int i = 0; i < lines; ++i) {
        while (frame < watch.frames.size() && watch.frames[frame].newest < i)
            ++frame;
        if (frame == watch.frames.size())
            break;
        latency.push_back(std::chrono::duration<double, std::milli>(watch.frames[frame].end -
                                                                    written[static_cast<size_t>(i)])
                              .count());
    }
    unlink(path.c_str());
    rmdir(folder);
    if (latency.size() != static_cast<size_t>(lines)) {
        std::fprintf(stderr, "only %zu of %d lines were shown\n", latency.size(), lines);
        return 1;
    }
    std::sort(latency.begin(), latency.end());
    const auto at = [&](double share) {
        return latency[std::min(latency.size() - 1, static_cast<size_t>(share * latency.size()))];
    };
    std::printf("lines: %d\nframes: %zu\n", lines, watch.frames.size());
    std::printf("follow latency: median %.1f ms, p95 %.1f ms, max %.1f ms\n", at(0.5), at(0.95),
                latency.back());
    return 0;
}
