#include "platform/gfx/stamps.h"
#include "series/place_sift.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace vemora {
namespace {

// Place i counts when its X along the direction lies below Beyond and above Past and its Y
// strictly between Top and Bottom; it lies past the box at or below Past.
TPlaceSift Expected(const int32_t* xs, const int32_t* ys, const TPlaceWindow& w) {
    TPlaceSift r;
    for (int i = 0; i < 16; ++i) {
        const int64_t along = xs[i] * w.Direction;
        if (along <= w.Past)
            r.Past |= 1u << i;
        else if (along < w.Beyond && ys[i] > w.Top && ys[i] < w.Bottom)
            r.Inside |= 1u << i;
    }
    return r;
}

TEST(PlaceSift, BothWaysGiveWhatEachPlaceTestedAloneGives) {
    std::mt19937 random(7);
    constexpr int32_t kLow = std::numeric_limits<int32_t>::min();
    constexpr int32_t kHigh = std::numeric_limits<int32_t>::max();
    // Places near the bounds, on them and at the ends of the range, where widening and the
    // opposite of the lowest value must be exact.
    const auto coordinate = [&](int64_t near) -> int32_t {
        switch (random() % 6) {
        case 0:
            return kLow;
        case 1:
            return kHigh;
        case 2:
            return static_cast<int32_t>(random());
        default:
            return static_cast<int32_t>(
                std::clamp<int64_t>(near + static_cast<int64_t>(random() % 7) - 3, kLow, kHigh));
        }
    };
    const bool wide = gfx::StampPainter::WideStoresSupported();
    int counted = 0, past = 0;
    for (int round = 0; round < 20000; ++round) {
        TPlaceWindow w;
        w.Direction = random() % 2 ? 1 : -1;
        const int64_t at = static_cast<int64_t>(random() % 2000) - 1000;
        w.Past = at + (round % 50 == 0 ? -(int64_t{1} << 40) : 0);
        w.Beyond = at + static_cast<int64_t>(random() % 20);
        w.Top = static_cast<int64_t>(random() % 2000) - 1000;
        w.Bottom = w.Top + static_cast<int64_t>(random() % 20);
        int32_t xs[16], ys[16];
        for (int i = 0; i < 16; ++i) {
            xs[i] = coordinate(w.Direction * (random() % 2 ? w.Past : w.Beyond));
            ys[i] = coordinate(random() % 2 ? w.Top : w.Bottom);
        }
        const TPlaceSift expected = Expected(xs, ys, w);
        counted += std::popcount(expected.Inside);
        past += std::popcount(expected.Past);
        ASSERT_EQ(SiftPlaces(xs, ys, w, false), expected) << "round " << round;
        if (wide) {
            ASSERT_EQ(SiftPlaces(xs, ys, w, true), expected) << "round " << round;
        }
    }
    // The rounds met places of both kinds, not only far ones.
    EXPECT_GT(counted, 10000);
    EXPECT_GT(past, 10000);
}

} // namespace
} // namespace vemora
