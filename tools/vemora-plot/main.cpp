// vemora-plot: the headless companion of the program. It reads, plots and measures data
// files with the same reader, plot run, chart and engine as the window.
#include "platform/gfx/png.h"
#include "platform/numeric/exceptions.h"
#include "platform/ui/message_text.h"
#include "plot_scene.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using namespace vemora;
using plot::PlotScene;
using Clock = std::chrono::steady_clock;

constexpr const char* kUsage =
    "usage: vemora-plot read PATH\n"
    "       vemora-plot render PATH [--size WxH] [--png OUT] [--json OUT]\n"
    "       vemora-plot replay PATH [--speed N] [--size WxH] [--no-pause] [--png OUT]\n"
    "                          [--png-every K DIR]\n"
    "\n"
    "  read PATH    read the data file as the start button does and print its points:\n"
    "               'points N', then one 'X Y' line per point.\n"
    "  render PATH  the chart as the window shows it once the run on PATH has ended:\n"
    "               a PNG picture of the chart's client area (813x653 by default)\n"
    "               and the frame's layout as JSON.\n"
    "  replay PATH  the whole run as the window plays it, one frame per point, with\n"
    "               the pauses of speed N (1..100, default 1) unless --no-pause;\n"
    "               prints the counts and times, and saves the last frame as PNG;\n"
    "               --png-every K DIR writes the frame after every K-th point, and the\n"
    "               last one, as DIR/frame-NNNNNN.png (NNNNNN: the points shown).\n"
    "\n"
    "An empty PATH ('') reads standard input. A file that cannot be read prints the\n"
    "message the window would show and exits 1.\n";

int Fail(const std::string& message, const std::string& detail = {}) {
    std::fputs(MessageBoxText(message).c_str(), stderr);
    std::fputc('\n', stderr);
    // Where the fault lies (a bad number's line, column and token), on a line of its own.
    if (!detail.empty()) {
        std::fputs(detail.c_str(), stderr);
        std::fputc('\n', stderr);
    }
    return 1;
}

// A failure's message and where it lies, as the message box shows them.
struct Failure {
    std::string message;
    std::string detail;
};

int Fail(const Failure& failure) {
    return Fail(failure.message, failure.detail);
}

int Usage(FILE* to, int code) {
    std::fputs(kUsage, to);
    return code;
}

struct Options {
    std::string path;
    bool havePath = false;
    int32_t width = 0;
    int32_t height = 0;
    std::string png;
    std::string json;
    int32_t speed = 1;
    bool noPause = false;
    int32_t pngEvery = 0;
    std::string pngDir;
};

bool ParseInt(std::string_view text, int32_t lo, int32_t hi, int32_t& out) {
    if (text.empty() || text.size() > 9)
        return false;
    int64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi)
        return false;
    out = static_cast<int32_t>(v);
    return true;
}

bool ParseSize(std::string_view text, int32_t& w, int32_t& h) {
    const size_t x = text.find('x');
    constexpr int32_t kLargest = 8192;
    return x != std::string_view::npos && ParseInt(text.substr(0, x), 1, kLargest, w) &&
           ParseInt(text.substr(x + 1), 1, kLargest, h);
}

// The options that the command allows; false on anything else.
std::optional<Options> ParseOptions(int argc, char** argv, bool replay) {
    Options o;
    for (int i = 2; i < argc; ++i) {
        const std::string_view a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--size" && hasValue) {
            if (!ParseSize(argv[++i], o.width, o.height))
                return std::nullopt;
        } else if (a == "--png" && hasValue) {
            o.png = argv[++i];
        } else if (a == "--json" && hasValue && !replay) {
            o.json = argv[++i];
        } else if (a == "--speed" && hasValue && replay) {
            if (!ParseInt(argv[++i], 1, 100, o.speed))
                return std::nullopt;
        } else if (a == "--png-every" && i + 2 < argc && replay) {
            if (!ParseInt(argv[++i], 1, 999999999, o.pngEvery))
                return std::nullopt;
            o.pngDir = argv[++i];
            if (o.pngDir.empty())
                return std::nullopt;
        } else if (a == "--no-pause" && replay) {
            o.noPause = true;
        } else if (!o.havePath && (a.empty() || a[0] != '-')) {
            o.path = std::string(a);
            o.havePath = true;
        } else {
            return std::nullopt;
        }
    }
    if (!o.havePath)
        return std::nullopt;
    return o;
}

int CommandRead(const std::string& path) {
    THeadlessPlotWindow window(path);
    TChartSeries series;
    TPlotRun run(window, series);
    try {
        run.ReadDataFile();
    } catch (const Exception& e) {
        return Fail(e.Message(), e.Detail());
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    std::string out = "points " + std::to_string(run.DataCount()) + "\n";
    char line[64];
    for (int32_t i = 0; i < run.DataCount(); ++i) {
        const auto& row = run.DataPoints()[static_cast<size_t>(i)];
        std::snprintf(line, sizeof line, "%.17g %.17g\n", row[0], row[1]);
        out += line;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

bool WriteText(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written;
}

int WriteOutputs(PlotScene& scene, const Options& o) {
    if (!o.png.empty() && !gfx::WritePng(scene.Host().Screen(), o.png)) {
        std::fprintf(stderr, "Cannot write %s.\n", o.png.c_str());
        return 1;
    }
    if (!o.json.empty() && !WriteText(o.json, plot::FrameJson(scene.Chart(), scene.Series()))) {
        std::fprintf(stderr, "Cannot write %s.\n", o.json.c_str());
        return 1;
    }
    return 0;
}

// Runs the plot like the start button, with a handler for the chart updates and pauses.
// Returns the message of a failure, if any.
template <class Body> std::optional<Failure> Guarded(Body&& body) {
    try {
        body();
    } catch (const Exception& e) {
        return Failure{e.Message(), e.Detail()};
    } catch (const std::exception& e) {
        return Failure{e.what(), {}};
    }
    return std::nullopt;
}

int CommandRender(const Options& o) {
    PlotScene scene(o.path, o.width, o.height);
    // The window is shown, with its empty chart, before the user can press start.
    scene.Host().Update();
    if (auto error = Guarded([&] { scene.Run().Button1Click(nullptr); }))
        return Fail(*error);
    // Each frame sizes the axis labels with the previous frame's span: the layout is made
    // again until it stays as it is, as the run's many frames leave it, and that frame drawn.
    auto error = Guarded([&] {
        TChart& chart = scene.Chart();
        for (int i = 0; i < 8; ++i) {
            const TFrameLayout before = chart.FrameLayout();
            chart.ComputeLayout();
            if (chart.FrameLayout() == before)
                break;
        }
        chart.Invalidate();
        scene.Host().Update();
    });
    if (error)
        return Fail(*error);
    return WriteOutputs(scene, o);
}

int CommandReplay(const Options& o) {
    PlotScene scene(o.path, o.width, o.height);
    scene.Host().Update();
    scene.Run().ScrollBar1Change(o.speed);
    std::vector<double> frameMs;
    int64_t pauseMs = 0;
    THeadlessPlotWindow& window = scene.Window();
    window.OnUpdateChart = [&] {
        const uint64_t paints = scene.Host().Paints();
        const Clock::time_point t0 = Clock::now();
        scene.Chart().Update();
        if (scene.Host().Paints() != paints)
            frameMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    };
    window.OnSleep = [&](int32_t ms) {
        pauseMs += ms;
        if (o.noPause)
            return;
        if (ms <= 0)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    };
    // Frames for an animation: after every K-th point, and the last.
    std::string pngFailed;
    const auto writeFrame = [&] {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.png", scene.Series().PointCount());
        const std::string path = (std::filesystem::path(o.pngDir) / name).string();
        if (pngFailed.empty() && !gfx::WritePng(scene.Host().Screen(), path))
            pngFailed = path;
    };
    if (o.pngEvery > 0) {
        std::error_code error;
        std::filesystem::create_directories(o.pngDir, error);
        window.OnUpdateChart = [&, update = window.OnUpdateChart] {
            update();
            if (scene.Series().PointCount() % o.pngEvery == 0)
                writeFrame();
        };
    }
    const Clock::time_point start = Clock::now();
    if (auto error = Guarded([&] { scene.Run().Button1Click(nullptr); }))
        return Fail(*error);
    // The message loop paints what the last point left invalid.
    if (auto error = Guarded([&] { scene.Host().Update(); }))
        return Fail(*error);
    const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (o.pngEvery > 0 && scene.Series().PointCount() % o.pngEvery != 0)
        writeFrame();
    if (!pngFailed.empty()) {
        std::fprintf(stderr, "Cannot write %s.\n", pngFailed.c_str());
        return 1;
    }

    std::vector<double> sorted = frameMs;
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&](size_t i) { return sorted.empty() ? 0.0 : sorted[i]; };
    const size_t n = sorted.size();
    const double median = n == 0 ? 0.0 : (n % 2 ? at(n / 2) : (at(n / 2 - 1) + at(n / 2)) / 2);
    const int32_t points = scene.Series().PointCount();
    std::printf("points: %d\n", points);
    std::printf("frames: %zu\n", n);
    std::printf("pause_ms: %lld\n", static_cast<long long>(pauseMs));
    std::printf("wall_ms: %.0f\n", wallMs);
    std::printf("frame_ms_min: %.3f\n", at(0));
    std::printf("frame_ms_median: %.3f\n", median);
    std::printf("frame_ms_max: %.3f\n", n == 0 ? 0.0 : at(n - 1));
    std::printf("replay: %d points, %zu frames, %.0f ms\n", points, n, wallMs);
    if (std::fflush(stdout) != 0)
        return 1;
    return WriteOutputs(scene, o);
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        return Usage(stdout, 0);
    }
    if (argc < 2)
        return Usage(stderr, 2);
    const std::string_view command = argv[1];
    if (command == "read" && argc == 3)
        return CommandRead(argv[2]);
    if (command == "render" || command == "replay") {
        const bool replay = command == "replay";
        const std::optional<Options> options = ParseOptions(argc, argv, replay);
        if (!options)
            return Usage(stderr, 2);
        return replay ? CommandReplay(*options) : CommandRender(*options);
    }
    return Usage(stderr, 2);
}
