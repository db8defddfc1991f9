// Where the points of a series stood in a frame: each point's screen position and the colour
// its marker was drawn in, by point index. The chart keeps them from frame to frame and
// moves only what changed; the series stamps its markers from them.
#pragma once

#include "canvas/colors.h"
#include "series/blocked_array.h"

#include <cstdint>
#include <vector>

namespace vemora {

struct TPointPlaces {
    TBlockedArray<int32_t> X;
    TBlockedArray<int32_t> Y;
    TBlockedArray<TColor> Colors;

    int32_t Size() const { return X.Size(); }
    void Clear() {
        X.Clear();
        Y.Clear();
        Colors.Clear();
    }
    void Insert(int32_t index, int32_t x, int32_t y, TColor color) {
        X.Insert(index, x);
        Y.Insert(index, y);
        Colors.Insert(index, color);
    }
    void Erase(int32_t index) {
        X.Erase(index);
        Y.Erase(index);
        Colors.Erase(index);
    }
};

// How one point's marker changed from one frame to the next: where it was drawn before
// (when Before), and where it is drawn now (when After). Index is the point's index in this
// frame, or, for a point taken out since, its index in the last.
struct TMarkerMove {
    int32_t Index = 0;
    bool Erased = false;
    bool Before = false;
    int32_t X0 = 0, Y0 = 0;
    TColor Color0 = clNone;
    bool After = false;
    int32_t X1 = 0, Y1 = 0;
    TColor Color1 = clNone;
};

// All the markers that changed from one frame to the next, when they are known one by one:
// the points put in or taken out only at the ends, so that the others keep their order,
// every index of the last frame moving by FrontShift.
struct TMarkerMoves {
    bool Known = false;
    int32_t FrontShift = 0;
    std::vector<TMarkerMove> Moves;
};

// The points First to Last, both included.
struct TIndexRange {
    int32_t First = 0;
    int32_t Last = -1;
    bool operator==(const TIndexRange&) const = default;
};

} // namespace vemora
