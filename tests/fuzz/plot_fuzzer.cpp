// libFuzzer entry: every input is a data file.
#include "plot_bytes.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vemora::fuzz::PlotBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
