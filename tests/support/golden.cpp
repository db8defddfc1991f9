#include "support/golden.h"

#include "platform/gfx/png.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vemora::testing {

namespace {

namespace fs = std::filesystem;

std::string SourceDir() {
    // The environment wins so that a test program run from another checkout's build can be
    // pointed at the right references.
    if (const char* dir = std::getenv("VEMORA_SOURCE_DIR"); dir && *dir) {
        return dir;
    }
    return VEMORA_SOURCE_DIR;
}

bool UpdateRequested() {
    const char* value = std::getenv("VEMORA_UPDATE_GOLDEN");
    return value && std::string_view(value) == "1";
}

std::string Hex(gfx::Pixel p) {
    char text[16];
    std::snprintf(text, sizeof(text), "#%06X", static_cast<unsigned>(p & 0xFFFFFF));
    return text;
}

bool WriteCreatingFolders(const gfx::Bitmap& bitmap, const fs::path& path) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    return gfx::WritePng(bitmap, path.string());
}

// Differences in red over a faded copy of the actual picture, so that the eye finds the
// red at once but can still tell what was drawn around it.
gfx::Bitmap DiffImage(const gfx::Bitmap& expected, const gfx::Bitmap& actual) {
    const int w = std::max(expected.Width(), actual.Width());
    const int h = std::max(expected.Height(), actual.Height());
    gfx::Bitmap diff(w, h, 0xFF0000);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!expected.Contains(x, y) || !actual.Contains(x, y)) {
                continue;
            }
            const gfx::Pixel a = actual.At(x, y);
            if (a != expected.At(x, y)) {
                continue;
            }
            gfx::Pixel faded = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                const unsigned c = (a >> shift) & 0xFF;
                faded |= static_cast<gfx::Pixel>(255 - (255 - c) / 4) << shift;
            }
            diff.Set(x, y, faded);
        }
    }
    return diff;
}

void RemoveStale(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

} // namespace

std::string GoldenOutputDir() {
    return VEMORA_TEST_OUTPUT_DIR;
}

::testing::AssertionResult MatchesGolden(const gfx::Bitmap& actual, std::string_view name) {
    const fs::path reference =
        fs::path(SourceDir()) / "tests" / "golden" / (std::string(name) + ".png");
    return MatchesGolden(actual, name, reference.string());
}

::testing::AssertionResult MatchesGolden(const gfx::Bitmap& actual, std::string_view name,
                                         const std::string& reference_path) {
    const std::string base(name);
    const fs::path outDir(GoldenOutputDir());
    const fs::path actualPath = outDir / (base + ".actual.png");
    const fs::path diffPath = outDir / (base + ".diff.png");

    if (UpdateRequested()) {
        if (!WriteCreatingFolders(actual, reference_path)) {
            return ::testing::AssertionFailure() << "cannot write reference " << reference_path;
        }
        return ::testing::AssertionSuccess() << "wrote reference " << reference_path;
    }

    gfx::Bitmap expected;
    if (!gfx::ReadPng(reference_path, expected)) {
        RemoveStale(diffPath);
        auto failure = ::testing::AssertionFailure()
                       << "no readable reference " << reference_path << " for " << actual.Width()
                       << "x" << actual.Height() << " picture '" << base << "'";
        if (WriteCreatingFolders(actual, actualPath)) {
            failure << "; wrote " << actualPath.string();
        } else {
            failure << "; could not write " << actualPath.string();
        }
        return failure << " (VEMORA_UPDATE_GOLDEN=1 writes the reference)";
    }

    long differing = 0;
    int firstX = -1;
    int firstY = -1;
    const int w = std::max(expected.Width(), actual.Width());
    const int h = std::max(expected.Height(), actual.Height());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool inBoth = expected.Contains(x, y) && actual.Contains(x, y);
            if (inBoth && expected.At(x, y) == actual.At(x, y)) {
                continue;
            }
            if (differing++ == 0) {
                firstX = x;
                firstY = y;
            }
        }
    }
    if (differing == 0) {
        RemoveStale(actualPath);
        RemoveStale(diffPath);
        return ::testing::AssertionSuccess();
    }

    auto failure = ::testing::AssertionFailure();
    failure << "'" << base << "' differs from " << reference_path << ": actual " << actual.Width()
            << "x" << actual.Height() << ", expected " << expected.Width() << "x"
            << expected.Height() << "; " << differing << " differing pixels; first at (" << firstX
            << ", " << firstY << "): expected "
            << (expected.Contains(firstX, firstY) ? Hex(expected.At(firstX, firstY)) : "none")
            << ", actual "
            << (actual.Contains(firstX, firstY) ? Hex(actual.At(firstX, firstY)) : "none");
    if (WriteCreatingFolders(actual, actualPath)) {
        failure << "; wrote " << actualPath.string();
    } else {
        failure << "; could not write " << actualPath.string();
    }
    if (WriteCreatingFolders(DiffImage(expected, actual), diffPath)) {
        failure << " and " << diffPath.string();
    }
    return failure;
}

} // namespace vemora::testing
