// Every seed of the fuzzer and every input it ever found a fault with, through the whole
// way to a drawn chart, in the ordinary and the sanitizer builds.
#include "plot_bytes.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace vemora {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesIn(const std::string& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(std::string(VEMORA_SOURCE_DIR) + folder)) {
        if (entry.is_regular_file() && entry.path().filename() != "README") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void PlotsEach(const std::vector<fs::path>& files) {
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        EXPECT_NO_THROW(fuzz::PlotBytes(Contents(file)));
    }
}

TEST(FuzzReplay, Seeds) {
    const std::vector<fs::path> seeds = FilesIn("/tests/fuzz/seeds");
    EXPECT_GE(seeds.size(), 10u);
    PlotsEach(seeds);
    PlotsEach({fs::path(VEMORA_SOURCE_DIR) / "data" / "proba2.txt"});
}

TEST(FuzzReplay, Findings) {
    PlotsEach(FilesIn("/tests/fuzz/findings"));
}

} // namespace
} // namespace vemora
