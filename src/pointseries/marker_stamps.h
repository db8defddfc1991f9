// The markers of a series drawn as stamps when every marker is the same drawing moved (see
// platform/gfx/stamps.h): each different marker is drawn once, off the target, and the
// copies go down topmost first, so the thousands of markers a dense series hides under
// later ones cost almost nothing. The frame is the one drawing each marker in turn gives.
#pragma once

#include "platform/gfx/stamps.h"
#include "pointseries/series_pointer.h"

#include <span>
#include <vector>

namespace vemora {

class TMarkerStamps {
public:
    // The kept stamps never move: a span of them stays good while more are made.
    explicit TMarkerStamps(TPointerOwner& owner) : owner_(owner) { kept_.reserve(kMaxKept); }
    static constexpr size_t kMaxKept = 32;

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

    // Frames of placed markers keep the stamps from frame to frame, one for each look, as
    // long as the series' depth slot and view stay; Forget drops them (the pointer changed).
    void Forget();
    // The stamp of the marker of the colour and style, made the first time it is asked for;
    // -1 when it cannot be stamped. Possible must hold.
    int32_t StampOf(TSeriesPointer& pointer, TColor color, TSeriesPointerStyle style);
    const gfx::Stamp& StampAt(int32_t index) const { return kept_[static_cast<size_t>(index)]; }
    // The box every marker keeps within, relative to its screen point.
    Rect AnyReach(const TSeriesPointer& pointer) const;
    // The union of what the kept stamps paint, relative to their screen points; empty
    // without one.
    Rect KeptOutline() const;
    // Paints the placements of kept stamps onto the canvas's target within its clip and, when
    // given, the region, as drawing them in turn would; with a background, what no marker
    // paints there takes the background's pixels. With keepOwners (and no region) the
    // placements' owners are noted for each pixel, for Move; any other painting forgets them.
    void PaintPlaced(std::span<const gfx::StampPlacement> placements, const gfx::PixelMask* within,
                     const gfx::Bitmap* background, bool keepOwners);
    // Whether the painting uses vector instructions (see gfx::StampPainter).
    bool WideStores() const { return painter_.WideStores(); }
    // Moves placed markers on the canvas's target as gfx::MoveStamps does, with the owners
    // the last painting noted; false when it noted none there.
    bool Move(std::span<const gfx::StampMove> moves, const gfx::Bitmap& background,
              std::span<const Rect> ground, const gfx::StampFinder& find,
              std::vector<Rect>& changed);
    // The owners noted are the point indexes plus this; a move of the points' numbering
    // changes it.
    int32_t OwnerOffset() const { return ownerOffset_; }
    void SetOwnerOffset(int32_t value) { ownerOffset_ = value; }
    // The offset a new painting notes owners with, leaving room for points put in at the
    // front and taken out at the end.
    static constexpr int32_t kFirstOwnerOffset = 1 << 24;

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
    // The kept stamps, with the looks and the slot they were made for.
    std::vector<gfx::Stamp> kept_;
    std::vector<Key> keptKeys_;
    struct Slot {
        int32_t ZStart = 0, ZMiddle = 0, ZEnd = 0;
        bool View3D = false;
        bool operator==(const Slot&) const = default;
    } keptSlot_;
    // What each pixel of the target shows, by owner (see gfx::MoveStamps), as the last
    // painting with owners kept left it, for a target of this size.
    std::vector<int32_t> owners_;
    gfx::OwnerCounts ownerCounts_;
    int32_t ownersWidth_ = 0;
    int32_t ownersHeight_ = 0;
    bool ownersKept_ = false;
    int32_t ownerOffset_ = kFirstOwnerOffset;
};

} // namespace vemora
