// vemora-plot: the headless companion of the program. It reads, plots and measures data
// files with the same reader, plot run, chart and engine as the window.
#include "app/chart_picture.h"
#include "platform/files/safe_write.h"
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
#include <tuple>
#include <vector>

namespace {

using namespace vemora;
using plot::PlotScene;
using Clock = std::chrono::steady_clock;

constexpr const char* kUsage =
    "usage: vemora-plot read PATH\n"
    "       vemora-plot render PATH [--size WxH] [--scale S] [--png OUT] [--json OUT]\n"
    "                          [--svg OUT] [--pdf OUT]\n"
    "       vemora-plot replay PATH [--speed N] [--size WxH] [--scale S] [--no-pause]\n"
    "                          [--png OUT] [--png-every K DIR]\n"
    "       vemora-plot --help | --version\n"
    "\n"
    "  read PATH    read the data file as the start button does and print its points:\n"
    "               'points N', then one 'X Y' line per point.\n"
    "  render PATH  the chart as the window shows it once the run on PATH has ended:\n"
    "               a PNG picture of the chart's client area (813x653 by default)\n"
    "               and the frame's layout as JSON; the same picture as SVG and as\n"
    "               PDF (a page of the chart's size at 96 dpi, titled with the file's\n"
    "               name), drawn with lines, shapes and text.\n"
    "  replay PATH  the whole run as the window plays it, one frame per point, with\n"
    "               the pauses of speed N (1..100, default 1) unless --no-pause;\n"
    "               prints the counts and times, and saves the last frame as PNG;\n"
    "               --png-every K DIR writes the frame after every K-th point, and the\n"
    "               last one, as DIR/frame-NNNNNN.png (NNNNNN: the points shown).\n"
    "\n"
    "--size WxH is in pixels of a normal (96 dpi) screen. --scale S (1 to 8, such as 2 or\n"
    "1.5) draws the chart for a screen S times as dense, as the window does there: the\n"
    "picture is WxH times S pixels (at most 16384x16384), its text, lines and markers S\n"
    "times as large, the JSON in its pixels, and the PNG records 96 x S dots per inch.\n"
    "\n"
    "An empty PATH ('') reads standard input. A file that cannot be read prints the\n"
    "message the window would show and exits 1.\n"
    "\n"
    "OUT '-' is standard output (replay then prints its counts on standard error).\n"
    "Every other OUT, and every frame file, is written as a new file beside it and\n"
    "renamed over it once complete: a write that fails leaves what was there before.\n"
    "A device or a FIFO is written directly. A write that fails exits 1.\n";

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

// A wrong command line: what is wrong with which argument, then the usage.
int UsageError(const std::string& what) {
    std::fputs(what.c_str(), stderr);
    std::fputs("\n\n", stderr);
    return Usage(stderr, 2);
}

// An argument as the user would type it again: an empty one as ''.
std::string Shown(std::string_view argument) {
    return argument.empty() ? std::string("''") : std::string(argument);
}

// Writes one output: "-" is standard output, anything else a file written so that a
// failure leaves what the path held. Returns the exit status.
int WriteOutput(const std::string& path, const platform::FileWriter& write) {
    const bool toStdout = path == "-";
    const int err =
        toStdout ? platform::WriteToStream(stdout, write) : platform::WriteFileSafely(path, write);
    if (err == 0)
        return 0;
    std::fprintf(stderr, "Cannot write %s: %s.\n", toStdout ? "standard output" : path.c_str(),
                 platform::ErrorText(err).c_str());
    return 1;
}

platform::FileWriter TextWriter(const std::string& text) {
    return [&text](std::FILE* file) {
        return std::fwrite(text.data(), 1, text.size(), file) == text.size();
    };
}

platform::FileWriter PngWriter(const gfx::Bitmap& bitmap, double scale) {
    return [&bitmap, scale](std::FILE* file) { return gfx::WritePng(bitmap, file, scale); };
}

struct Options {
    std::string path;
    bool havePath = false;
    int32_t width = 0;
    int32_t height = 0;
    double scale = 1.0;
    std::string png;
    std::string json;
    std::string svg;
    std::string pdf;
    int32_t speed = 1;
    bool noPause = false;
    int32_t pngEvery = 0;
    std::string pngDir;
};

enum class NumberCheck { kGood, kNotNumber, kTooSmall, kTooLarge };

NumberCheck ParseInt(std::string_view text, int32_t lo, int32_t hi, int32_t& out) {
    if (text.empty())
        return NumberCheck::kNotNumber;
    int64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return NumberCheck::kNotNumber;
        // Past the largest allowed value the digits only say "too large".
        v = std::min<int64_t>(v * 10 + (c - '0'), int64_t{hi} + 1);
    }
    if (v < lo)
        return NumberCheck::kTooSmall;
    if (v > hi)
        return NumberCheck::kTooLarge;
    out = static_cast<int32_t>(v);
    return NumberCheck::kGood;
}

// The fault of a size, or an empty text when it is good.
std::string SizeFault(std::string_view text, int32_t& w, int32_t& h) {
    constexpr int32_t kLargest = 8192;
    const size_t x = text.find('x');
    if (x == std::string_view::npos)
        return "not WxH, such as 813x653";
    const NumberCheck cw = ParseInt(text.substr(0, x), 1, kLargest, w);
    const NumberCheck ch = ParseInt(text.substr(x + 1), 1, kLargest, h);
    if (cw == NumberCheck::kNotNumber || ch == NumberCheck::kNotNumber)
        return "not WxH, such as 813x653";
    if (cw == NumberCheck::kTooLarge || ch == NumberCheck::kTooLarge)
        return "at most 8192x8192";
    if (cw == NumberCheck::kTooSmall || ch == NumberCheck::kTooSmall)
        return "at least 1x1";
    return {};
}

// A density from 1 to 8 written as a decimal number (2, 1.5, 1.25); false for any other text.
bool ParseScale(std::string_view text, double& out) {
    const size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? "" : text.substr(dot + 1);
    const auto digits = [](std::string_view t) {
        return std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.empty() || whole.size() > 3 || !digits(whole) || !digits(fraction) ||
        (dot != std::string_view::npos && fraction.empty()))
        return false;
    const double value = std::strtod(std::string(text).c_str(), nullptr);
    if (!(value >= 1 && value <= 8))
        return false;
    out = value;
    return true;
}

// Reads the options that the command allows into `o`. Returns what is wrong with the
// command line, naming the argument at fault, or an empty text.
std::string ParseOptions(int argc, char** argv, bool replay, Options& o) {
    const std::string command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string_view a = argv[i];
        const auto value = [&](int k) { return std::string_view(argv[i + k]); };
        const auto missing = [&](int needed, const char* what) {
            return i + needed >= argc ? std::string(a) + ": " + what + " missing" : std::string();
        };
        if (a == "--size") {
            if (auto fault = missing(1, "WxH is"); !fault.empty())
                return fault;
            if (auto fault = SizeFault(value(1), o.width, o.height); !fault.empty())
                return "--size " + Shown(value(1)) + ": " + fault;
            ++i;
        } else if (a == "--scale") {
            if (auto fault = missing(1, "S is"); !fault.empty())
                return fault;
            if (!ParseScale(value(1), o.scale))
                return "--scale " + Shown(value(1)) + ": a number from 1 to 8, such as 2 or 1.5";
            ++i;
        } else if (a == "--png" || (!replay && (a == "--json" || a == "--svg" || a == "--pdf"))) {
            if (auto fault = missing(1, "OUT is"); !fault.empty())
                return fault;
            if (value(1).empty())
                return std::string(a) + " '': the file name is empty";
            (a == "--png"    ? o.png
             : a == "--json" ? o.json
             : a == "--svg"  ? o.svg
                             : o.pdf) = value(1);
            ++i;
        } else if (a == "--speed" && replay) {
            if (auto fault = missing(1, "N is"); !fault.empty())
                return fault;
            if (ParseInt(value(1), 1, 100, o.speed) != NumberCheck::kGood)
                return "--speed " + Shown(value(1)) + ": a whole number from 1 to 100";
            ++i;
        } else if (a == "--png-every" && replay) {
            if (auto fault = missing(2, "K and DIR are"); !fault.empty())
                return fault;
            const std::string both = std::string(a) + " " + Shown(value(1)) + " " + Shown(value(2));
            if (ParseInt(value(1), 1, 999999999, o.pngEvery) != NumberCheck::kGood)
                return both + ": K is a whole number from 1 to 999999999";
            if (value(2).empty())
                return both + ": the folder name is empty";
            o.pngDir = value(2);
            i += 2;
        } else if (a == "--no-pause" && replay) {
            o.noPause = true;
        } else if (a.starts_with('-') && a.size() > 1) {
            const bool other = a == "--json" || a == "--svg" || a == "--pdf" || a == "--speed" ||
                               a == "--png-every" || a == "--no-pause";
            return std::string(a) + (other ? ": not an option of " + command : ": unknown option");
        } else if (o.havePath) {
            return Shown(a) + ": only one PATH may be given";
        } else {
            o.path = std::string(a);
            o.havePath = true;
        }
    }
    if (!o.havePath)
        return command + ": PATH is missing";
    if (o.scale != 1.0) {
        constexpr int32_t kLargestPicture = 16384;
        const int32_t w =
            o.width > 0 ? o.width : kChart1Width - 2 * ui::HeadlessWindowHost::kEdgeWidth;
        const int32_t h =
            o.height > 0 ? o.height : kChart1Height - 2 * ui::HeadlessWindowHost::kEdgeWidth;
        const int32_t pw = gfx::ScalePixels(w, o.scale), ph = gfx::ScalePixels(h, o.scale);
        if (pw > kLargestPicture || ph > kLargestPicture) {
            char text[200];
            std::snprintf(text, sizeof text,
                          ": %dx%d at this density is %dx%d pixels, more than %dx%d", w, h, pw, ph,
                          kLargestPicture, kLargestPicture);
            for (int i = 2; i + 1 < argc; ++i) {
                if (std::string_view(argv[i]) == "--scale")
                    return "--scale " + Shown(argv[i + 1]) + text;
            }
        }
    }
    // Standard output takes one document: the first of them in this order.
    const char* taken = nullptr;
    for (const auto& [out, option, what] : {std::tuple{&o.png, "--png", "PNG"},
                                            {&o.json, "--json", "JSON"},
                                            {&o.svg, "--svg", "SVG"},
                                            {&o.pdf, "--pdf", "PDF"}}) {
        if (*out != "-")
            continue;
        if (taken)
            return std::string(option) + " -: standard output already takes the " + taken;
        taken = what;
    }
    return {};
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
    return WriteOutput("-", TextWriter(out));
}

int WriteOutputs(PlotScene& scene, const Options& o) {
    if (!o.png.empty() && WriteOutput(o.png, PngWriter(scene.Host().Screen(), o.scale)) != 0)
        return 1;
    if (!o.json.empty() &&
        WriteOutput(o.json, TextWriter(plot::FrameJson(scene.Chart(), scene.Series()))) != 0)
        return 1;
    for (const auto& [out, format] :
         {std::pair{&o.svg, TVectorFormat::vfSVG}, {&o.pdf, TVectorFormat::vfPDF}}) {
        if (out->empty())
            continue;
        std::string document;
        try {
            document = VectorPicture(scene.Chart(), format, PictureTitle(o.path));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "Cannot write %s: %s.\n", out->c_str(), e.what());
            return 1;
        }
        if (WriteOutput(*out, TextWriter(document)) != 0)
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
    scene.Host().SetPixelRatio(o.scale);
    // The window is shown, with its empty chart, before the user can press start.
    scene.Host().Update();
    if (auto error = Guarded([&] { scene.Run().Button1Click(nullptr); }))
        return Fail(*error);
    // The layout the run's many frames leave, and that frame drawn.
    auto error = Guarded([&] {
        scene.Chart().SettleLayout();
        scene.Host().Update();
    });
    if (error)
        return Fail(*error);
    return WriteOutputs(scene, o);
}

int CommandReplay(const Options& o) {
    PlotScene scene(o.path, o.width, o.height);
    scene.Host().SetPixelRatio(o.scale);
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
        if (!pngFailed.empty())
            return;
        const int err = platform::WriteFileSafely(path, PngWriter(scene.Host().Screen(), o.scale));
        if (err != 0)
            pngFailed = path + ": " + platform::ErrorText(err);
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
    char text[512];
    std::snprintf(text, sizeof text,
                  "points: %d\nframes: %zu\npause_ms: %lld\nwall_ms: %.0f\nframe_ms_min: %.3f\n"
                  "frame_ms_median: %.3f\nframe_ms_max: %.3f\nreplay: %d points, %zu frames, "
                  "%.0f ms\n",
                  points, n, static_cast<long long>(pauseMs), wallMs, at(0), median,
                  n == 0 ? 0.0 : at(n - 1), points, n, wallMs);
    const std::string counts = text;
    // With the picture on standard output, the counts go where they do not spoil it.
    if (o.png == "-") {
        std::fputs(counts.c_str(), stderr);
    } else if (WriteOutput("-", TextWriter(counts)) != 0) {
        return 1;
    }
    return WriteOutputs(scene, o);
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        const std::string usage = kUsage;
        return WriteOutput("-", TextWriter(usage));
    }
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        const std::string version = "vemora-plot " VEMORA_VERSION "\n";
        return WriteOutput("-", TextWriter(version));
    }
    if (argc < 2)
        return Usage(stderr, 2);
    const std::string_view command = argv[1];
    if (command == "read") {
        if (argc == 3)
            return CommandRead(argv[2]);
        return UsageError(argc < 3 ? std::string("read: PATH is missing")
                                   : Shown(argv[3]) + ": only one PATH may be given");
    }
    if (command == "render" || command == "replay") {
        const bool replay = command == "replay";
        Options options;
        if (const std::string fault = ParseOptions(argc, argv, replay, options); !fault.empty())
            return UsageError(fault);
        return replay ? CommandReplay(options) : CommandRender(options);
    }
    return UsageError(Shown(command) + ": unknown command");
}
