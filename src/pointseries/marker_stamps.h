// The markers of a series drawn as stamps when every marker is the same drawing moved (see
// platform/gfx/stamps.h): each different marker is drawn once, off the target, and the
// copies go down topmost first, so the thousands of markers a dense series hides under
// later ones cost almost nothing. The frame is the one drawing each marker in turn gives.
#pragma once

#include "platform/gfx/stamps.h"
#include "pointseries/series_pointer.h"

#include <vector>

namespace vemora {

class TMarkerStamps {
public:
    explicit TMarkerStamps(TPointerOwner& owner) : owner_(owner) {}

    // Starts a frame's markers, drawn by the pointer; false when they cannot be stamped on
    // this canvas with these settings, and must be drawn one by one.
    bool Begin(TSeriesPointer& pointer);
    // Whether Begin would start: the markers' pixels do not depend on where they stand.
    bool Possible(const TSeriesPointer& pointer) const;
    // The union of what the stamps of the last frame paint, relative to their screen
    // points: with the pointer unchanged, every marker with one of their colours paints
    // within it.
    Rect KnownReach() const;
    // The pixels the marker at the screen point paints, as the bounds of its stamp; false
    // when it cannot be stamped. Draws off the target only; the canvas's pen and brush are
    // left as preparing the marker leaves them. Possible must hold.
    bool Footprint(TSeriesPointer& pointer, int32_t x, int32_t y, TColor color,
                   TSeriesPointerStyle style, Rect& painted);
    // Takes the marker at the screen point. False when it cannot be stamped: the markers
    // taken before it have then been painted, and it and the rest must be drawn directly.
    bool Add(int32_t x, int32_t y, TColor color, TSeriesPointerStyle style);
    // Paints the markers taken and leaves the canvas's pen and brush as drawing the last of
    // them does. Also after a failure part way, so that what was drawn is not lost.
    void Finish();

private:
    struct Key {
        TColor Color;
        TSeriesPointerStyle Style;
        bool operator==(const Key&) const = default;
    };
    // Draws the marker off the target and makes its stamp.
    bool Capture(int32_t x, int32_t y, const Key& key, gfx::Stamp& stamp);
    // The box Capture expects the marker at the screen point to keep within.
    Rect ExpectedBox(const TSeriesPointer& pointer, int32_t x, int32_t y) const;
    void Paint();

    TPointerOwner& owner_;
    TSeriesPointer* pointer_ = nullptr;
    gfx::DeviceContext* dc_ = nullptr;
    bool active_ = false;
    std::vector<gfx::Stamp> stamps_;
    std::vector<Key> keys_;
    uint32_t current_ = 0; // the stamp of the last marker taken
    std::vector<gfx::StampPlacement> placements_;
    struct Last {
        int32_t X = 0, Y = 0;
        Key Marker{};
    } last_;
    gfx::Bitmap overBlack_;
    gfx::Bitmap overWhite_;
    gfx::StampPainter painter_;
};

} // namespace vemora
