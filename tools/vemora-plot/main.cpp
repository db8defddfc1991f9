// vemora-plot: the headless companion of the program. It reads, plots and measures data
// files with the same reader, plot run and engine as the window.
#include "app/headless_plot_window.h"
#include "app/message_text.h"
#include "app/plotrun.h"
#include "platform/numeric/exceptions.h"
#include "series/chart_series.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

namespace {

using namespace vemora;

constexpr const char* kUsage =
    "usage: vemora-plot read PATH\n"
    "\n"
    "  read PATH   read the data file as the start button does and print its points:\n"
    "              'points N', then one 'X Y' line per point. An empty PATH ('')\n"
    "              reads standard input.\n";

int Fail(const std::string& message) {
    std::fputs(MessageBoxText(message).c_str(), stderr);
    std::fputc('\n', stderr);
    return 1;
}

int CommandRead(const std::string& path) {
    THeadlessPlotWindow window(path);
    TChartSeries series;
    TPlotRun run(window, series);
    try {
        run.ReadDataFile();
    } catch (const Exception& e) {
        return Fail(e.Message());
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

int Usage(FILE* to, int code) {
    std::fputs(kUsage, to);
    return code;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        return Usage(stdout, 0);
    }
    if (argc == 3 && std::string_view(argv[1]) == "read") {
        return CommandRead(argv[2]);
    }
    return Usage(stderr, 2);
}
