#include "pointseries/marker_stamps.h"

#include <algorithm>

namespace vemora {

namespace {

// Different markers in one frame before stamping stops paying (a colour per point, say).
constexpr size_t kMaxStamps = 32;
// Room around the marker's expected box in the scratch bitmaps: a drawing that reaches the
// border is not taken as a stamp.
constexpr int32_t kScratchMargin = 3;

// Draws into the scratch bitmap and gives the target back whatever happens.
class Redirect {
public:
    Redirect(gfx::DeviceContext& dc, gfx::Bitmap& scratch) : dc_(dc) {
        dc_.BeginRedirect(&scratch);
    }
    ~Redirect() { dc_.EndRedirect(); }
    Redirect(const Redirect&) = delete;
    Redirect& operator=(const Redirect&) = delete;

private:
    gfx::DeviceContext& dc_;
};

} // namespace

bool TMarkerStamps::Possible(const TSeriesPointer& pointer) const {
    const TCanvas3D& canvas = owner_.PointerCanvas();
    // Stamps are copies of pixels: only a medium made of them takes them.
    const gfx::DeviceContext* pixels = canvas.PixelDevice();
    if (!pixels || !pixels->Target() || canvas.Metafiling())
        return false;
    // A copy is the marker only if the marker's pixels do not depend on where it stands:
    // the projection must move drawings without reshaping them, and no pattern may be
    // tied to the device origin or run on from the previous line.
    if (owner_.PointerView3D() && !canvas.ProjectsByTranslation())
        return false;
    const TChartPen& pen = pointer.Pen();
    if (pen.Visible() && (pen.Style() != TPenStyle::psSolid || pen.Width() > 1 || pen.SmallDots()))
        return false;
    const TChartBrush& brush = pointer.Brush();
    if ((brush.Style() != TBrushStyle::bsSolid && brush.Style() != TBrushStyle::bsClear) ||
        brush.HasBitmap())
        return false;
    return 2 * int64_t{pointer.HorizPixels()} + 1 <= gfx::kMaxStampWidth &&
           2 * int64_t{pointer.VertPixels()} + 1 <= 4 * gfx::kMaxStampWidth;
}

bool TMarkerStamps::Begin(TSeriesPointer& pointer) {
    pointer_ = &pointer;
    active_ = false;
    stamps_.clear();
    keys_.clear();
    placements_.clear();
    if (!Possible(pointer))
        return false;
    dc_ = owner_.PointerCanvas().PixelDevice();
    active_ = true;
    return true;
}

Rect TMarkerStamps::ExpectedBox(const TSeriesPointer& pointer, int32_t x, int32_t y) const {
    // The screen box the marker is expected to keep within: its corners at its depths.
    // The pen's reach beyond the corners: one pixel, or as many as a denser device draws.
    const int32_t pen = pointer.Pixels(1);
    const int32_t h = pointer.HorizPixels() + pen, v = pointer.VertPixels() + pen;
    Rect box{x - h, y - v, x + h + 1, y + v + 1};
    if (!owner_.PointerView3D())
        return box;
    const TCanvas3D& canvas = owner_.PointerCanvas();
    Rect projected{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int32_t z : {owner_.PointerZStart(), owner_.PointerZMiddle(), owner_.PointerZEnd()}) {
        for (const Point corner : {Point{box.Left, box.Top}, Point{box.Right, box.Bottom}}) {
            const Point p = canvas.ProjectPosition(corner.X, corner.Y, z);
            projected.Left = std::min(projected.Left, p.X);
            projected.Top = std::min(projected.Top, p.Y);
            projected.Right = std::max(projected.Right, p.X);
            projected.Bottom = std::max(projected.Bottom, p.Y);
        }
    }
    return projected;
}

Rect TMarkerStamps::KnownReach() const {
    Rect reach{};
    for (const gfx::Stamp& stamp : stamps_) {
        reach = reach.Union(
            {stamp.Left, stamp.Top, stamp.Left + stamp.Width, stamp.Top + stamp.Height});
    }
    return reach;
}

bool TMarkerStamps::Footprint(TSeriesPointer& pointer, int32_t x, int32_t y, TColor color,
                              TSeriesPointerStyle style, Rect& painted) {
    pointer_ = &pointer;
    dc_ = owner_.PointerCanvas().PixelDevice();
    gfx::Stamp stamp;
    if (!Capture(x, y, Key{color, style}, stamp))
        return false;
    painted = {x + stamp.Left, y + stamp.Top, x + stamp.Left + stamp.Width,
               y + stamp.Top + stamp.Height};
    return true;
}

bool TMarkerStamps::Capture(int32_t x, int32_t y, const Key& key, gfx::Stamp& stamp) {
    const Rect box = ExpectedBox(*pointer_, x, y);
    if (box.Width() > gfx::kMaxStampWidth + 2 * kScratchMargin ||
        box.Height() > 8 * gfx::kMaxStampWidth)
        return false;
    // Drawn moved so that the box lands inside the scratch bitmaps with the margin around.
    const int32_t w = static_cast<int32_t>(box.Width()) + 2 * kScratchMargin;
    const int32_t ht = static_cast<int32_t>(box.Height()) + 2 * kScratchMargin;
    const Point anchor{x - (box.Left - kScratchMargin), y - (box.Top - kScratchMargin)};
    for (gfx::Bitmap* scratch : {&overBlack_, &overWhite_}) {
        const gfx::Pixel under =
            scratch == &overBlack_ ? gfx::kStampUnderlayBlack : gfx::kStampUnderlayWhite;
        if (scratch->Width() != w || scratch->Height() != ht)
            scratch->Resize(w, ht, under);
        else
            scratch->Fill(under);
        Redirect redirect(*dc_, *scratch);
        pointer_->PrepareCanvas(key.Color);
        pointer_->Draw(anchor.X, anchor.Y, key.Color, key.Style);
    }
    return gfx::MakeStamp(overBlack_, overWhite_, anchor, stamp);
}

bool TMarkerStamps::Add(int32_t x, int32_t y, TColor color, TSeriesPointerStyle style) {
    if (!active_)
        return false;
    const Key key{color, style};
    if (keys_.empty() || !(keys_[current_] == key)) {
        const auto found = std::find(keys_.begin(), keys_.end(), key);
        if (found != keys_.end()) {
            current_ = static_cast<uint32_t>(found - keys_.begin());
        } else {
            gfx::Stamp stamp;
            if (stamps_.size() == kMaxStamps || !Capture(x, y, key, stamp)) {
                Paint();
                active_ = false;
                return false;
            }
            stamps_.push_back(std::move(stamp));
            keys_.push_back(key);
            current_ = static_cast<uint32_t>(stamps_.size() - 1);
        }
    }
    // A run adds a point per frame: grow by an eighth, not twofold, to keep the slack small.
    if (placements_.size() == placements_.capacity())
        placements_.reserve(placements_.size() + placements_.size() / 8 + 64);
    placements_.push_back({x, y, current_});
    last_ = {x, y, key};
    return true;
}

void TMarkerStamps::Paint() {
    if (placements_.empty())
        return;
    painter_.Paint(*dc_->Target(), dc_->EffectiveClip(), stamps_, placements_);
    placements_.clear();
    // Pen and brush as the last marker's drawing leaves them.
    pointer_->LeaveToolsAsDrawn(last_.X, last_.Y, last_.Marker.Color, last_.Marker.Style);
}

void TMarkerStamps::Forget() {
    kept_.clear();
    keptKeys_.clear();
    ownersKept_ = false;
}

int32_t TMarkerStamps::StampOf(TSeriesPointer& pointer, TColor color, TSeriesPointerStyle style) {
    const Slot slot{owner_.PointerZStart(), owner_.PointerZMiddle(), owner_.PointerZEnd(),
                    owner_.PointerView3D()};
    if (!(slot == keptSlot_)) {
        Forget();
        keptSlot_ = slot;
    }
    const Key key{color, style};
    const auto found = std::find(keptKeys_.begin(), keptKeys_.end(), key);
    if (found != keptKeys_.end())
        return static_cast<int32_t>(found - keptKeys_.begin());
    if (kept_.size() == kMaxKept)
        return -1;
    pointer_ = &pointer;
    dc_ = owner_.PointerCanvas().PixelDevice();
    gfx::Stamp stamp;
    if (!Capture(0, 0, key, stamp))
        return -1;
    kept_.push_back(std::move(stamp));
    keptKeys_.push_back(key);
    return static_cast<int32_t>(kept_.size() - 1);
}

Rect TMarkerStamps::KeptOutline() const {
    Rect outline{};
    for (const gfx::Stamp& stamp : kept_) {
        if (!stamp.Rows.empty())
            outline = outline.Union(
                {stamp.Left, stamp.Top, stamp.Left + stamp.Width, stamp.Top + stamp.Height});
    }
    return outline;
}

Rect TMarkerStamps::AnyReach(const TSeriesPointer& pointer) const {
    // Capture takes no drawing that reaches the scratch bitmaps' border.
    const Rect box = ExpectedBox(pointer, 0, 0);
    return {box.Left - kScratchMargin, box.Top - kScratchMargin, box.Right + kScratchMargin,
            box.Bottom + kScratchMargin};
}

void TMarkerStamps::PaintPlaced(std::span<const gfx::StampPlacement> placements,
                                const gfx::PixelMask* within, const gfx::Bitmap* background,
                                bool keepOwners) {
    gfx::DeviceContext* dc = owner_.PointerCanvas().PixelDevice();
    ownersKept_ = false;
    if (!dc || !dc->Target())
        return;
    gfx::Bitmap& target = *dc->Target();
    int32_t* owners = nullptr;
    if (keepOwners && !within) {
        const size_t size = static_cast<size_t>(target.Width()) * target.Height();
        if (owners_.size() != size)
            owners_.assign(size, gfx::kNoOwner);
        ownersWidth_ = target.Width();
        ownersHeight_ = target.Height();
        owners = owners_.data();
    }
    painter_.Paint(target, dc->EffectiveClip(), kept_, placements, within, background, owners);
    ownersKept_ = owners != nullptr;
    ownerCounts_.Known = false;
}

bool TMarkerStamps::Move(std::span<const gfx::StampMove> moves, const gfx::Bitmap& background,
                         std::span<const Rect> ground, const gfx::StampFinder& find,
                         std::vector<Rect>& changed) {
    gfx::DeviceContext* dc = owner_.PointerCanvas().PixelDevice();
    gfx::Bitmap* target = dc ? dc->Target() : nullptr;
    if (!ownersKept_ || !target || target->Width() != ownersWidth_ ||
        target->Height() != ownersHeight_ || background.Width() != ownersWidth_ ||
        background.Height() != ownersHeight_)
        return false;
    gfx::MoveStamps(*target, owners_.data(), ownerCounts_, dc->EffectiveClip(), background, kept_,
                    moves, ground, find, changed);
    return true;
}

void TMarkerStamps::Finish() {
    if (active_)
        Paint();
    active_ = false;
}

} // namespace vemora
