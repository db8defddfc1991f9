// Sifting the places of a series for the few whose markers can reach a small box, sixteen
// at a time: a search for what shows under a marker that moved goes through the places in
// order, and most lie too far off.
#pragma once

#include <cstdint>

namespace vemora {

// Where places must lie to count. Along the order's direction (Direction 1 or -1), a place
// at X * Direction at or below Past lies past the box; one below Beyond and above Past
// whose Y lies strictly between Top and Bottom may reach it.
struct TPlaceWindow {
    int64_t Direction = 1;
    int64_t Beyond = 0;
    int64_t Past = 0;
    int64_t Top = 0;
    int64_t Bottom = 0;
};

// One place: whether it lies past the box, and whether it may reach it.
inline bool PlacePast(int32_t x, const TPlaceWindow& w) {
    return w.Direction * x <= w.Past;
}
inline bool PlaceInside(int32_t x, int32_t y, const TPlaceWindow& w) {
    const int64_t along = w.Direction * x;
    return along < w.Beyond && along > w.Past && y > w.Top && y < w.Bottom;
}

// Of sixteen places, bit i for place i: those that may reach the box, and those past it.
struct TPlaceSift {
    uint32_t Inside = 0;
    uint32_t Past = 0;
    bool operator==(const TPlaceSift&) const = default;
};

// The sixteen places xs[0..15], ys[0..15], with vector instructions when `wide` (where the
// processor has them, see gfx::StampPainter::WideStoresSupported) or one by one; both give
// the same.
TPlaceSift SiftPlaces(const int32_t* xs, const int32_t* ys, const TPlaceWindow& window, bool wide);

} // namespace vemora
