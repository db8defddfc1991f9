// Compares two PNG pictures of one size pixel by pixel, for the checks that a picture drawn
// another way (an SVG or PDF rasterised again) is the same picture.
// Usage: picture_match A.png B.png TOLERANCE SHARE
// A pixel matches when its red, green and blue differences add up to at most TOLERANCE;
// prints the share of matching pixels and exits 0 when it is at least SHARE, 1 when not,
// 2 when a picture cannot be read or the sizes differ.
#include "platform/gfx/png.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: picture_match A.png B.png TOLERANCE SHARE\n", stderr);
        return 2;
    }
    vemora::gfx::Bitmap a, b;
    if (!vemora::gfx::ReadPng(argv[1], a) || !vemora::gfx::ReadPng(argv[2], b)) {
        std::fputs("picture_match: a picture cannot be read\n", stderr);
        return 2;
    }
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Empty()) {
        std::fprintf(stderr, "picture_match: sizes differ: %dx%d and %dx%d\n", a.Width(),
                     a.Height(), b.Width(), b.Height());
        return 2;
    }
    const int tolerance = std::atoi(argv[3]);
    const double share = std::atof(argv[4]);
    long matching = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const vemora::gfx::Pixel p = a.At(x, y), q = b.At(x, y);
            int sum = 0;
            for (int shift : {0, 8, 16})
                sum += std::abs(static_cast<int>((p >> shift) & 0xFF) -
                                static_cast<int>((q >> shift) & 0xFF));
            matching += sum <= tolerance;
        }
    }
    const double found =
        static_cast<double>(matching) / (static_cast<double>(a.Width()) * a.Height());
    std::printf("%.4f\n", found);
    return found >= share ? 0 : 1;
}
