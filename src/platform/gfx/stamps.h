// Stamps: a drawing that looks the same wherever it stands (a series marker, say) is made
// once into a small bitmap, and its copies are put down topmost first with a mask of the
// pixels already decided. Each pixel of the target is written at most once, and a copy
// that later copies hide entirely costs a few mask tests instead of its fill and outline.
// The result is the one drawing every copy in order, one over the other, would give.
#pragma once

#include "platform/gfx/bitmap.h"
#include "platform/gfx/geometry.h"
#include "platform/gfx/pixel_mask.h"
#include "platform/gfx/region.h"

#include <functional>
#include <span>
#include <vector>

namespace vemora::gfx {

// A row of a stamp is one mask, tested against the target's mask with one unaligned 64-bit
// load that may start up to seven columns early.
constexpr int32_t kMaxStampWidth = 57;

// What one drawing leaves on a bitmap, relative to the point it is placed by.
struct Stamp {
    int32_t Left = 0; // first column, relative to the anchor
    int32_t Top = 0;  // first row, relative to the anchor
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint64_t> Rows; // bit i of row r: the pixel at (Left + i, Top + r) is painted
    std::vector<Pixel> Pixels;  // Width * Height, meaningful where the bit is set
};

// Background colours of the two renderings MakeStamp compares.
constexpr Pixel kStampUnderlayBlack = 0x000000;
constexpr Pixel kStampUnderlayWhite = 0xFFFFFF;

// Makes the stamp from two renderings of the same drawing over kStampUnderlayBlack and over
// kStampUnderlayWhite, with the anchor at `anchor` in both. A pixel the same in both was
// painted; black in one and white in the other was left alone. False when the drawing is
// not a stamp: a pixel that came out differently over the two backgrounds (the drawing
// mixes with what lies under it), a painted pixel on the bitmaps' border (the drawing may
// have been cut), or a painted width beyond kMaxStampWidth; `result` is then left as it was.
bool MakeStamp(const Bitmap& overBlack, const Bitmap& overWhite, Point anchor, Stamp& result);

struct StampPlacement {
    int32_t X = 0; // the anchor on the target
    int32_t Y = 0;
    uint32_t Stamp = 0; // index into the stamps
    // What the pixels the copy shows are noted as in an owner map (see Paint).
    int32_t Owner = 0;
};

// A copy's way from one picture to the next: it lay at (X0, Y0) as stamp Stamp0 when Was, it
// lies at (X1, Y1) as Stamp1 when Is. Its owner orders it among all the copies of the
// picture: one of a higher owner lies over it.
struct StampMove {
    int32_t Owner = 0;
    bool Was = false;
    int32_t X0 = 0, Y0 = 0;
    uint32_t Stamp0 = 0;
    bool Is = false;
    int32_t X1 = 0, Y1 = 0;
    uint32_t Stamp1 = 0;
};

// A pixel a copy left, and what shows there now: the owner and the pixel of the topmost
// copy that paints it, or kNoOwner when none does.
struct LeftPixel {
    int32_t X = 0, Y = 0;
    int32_t Owner = -1;
    Pixel Shown = 0;
};

// Finds what shows at pixels the copy of owner `under` left, within the box, from the copies
// under it as they lie now: fills in Owner and Shown of those some copy paints, in any
// order of the pixels.
using StampFinder =
    std::function<void(int32_t under, const Rect& box, std::span<LeftPixel> pixels)>;

// Owners of the pixels of a picture of copies (see StampPainter::Paint): a copy's owner
// (0 or more), none (the background shows), or a pixel whose copy left it, to be found
// again.
constexpr int32_t kNoOwner = -1;

// Keeps its masks between calls, so that painting allocates nothing once they have grown.
class StampPainter {
public:
    // Vector instructions where the processor has them; the plain way on request (the two
    // must paint the same).
    explicit StampPainter(bool wideStores = WideStoresSupported()) : wide_(wideStores) {}
    static bool WideStoresSupported();
    bool WideStores() const { return wide_; }

    // Paints the placements as drawn one after another in the given order, later ones over
    // earlier ones, onto the target within the clip region (in the target's pixels) and,
    // when `within` is given, only inside it. With a background, the pixels there that no
    // placement paints take the background's pixel: the copies laid over a picture in one
    // pass, each pixel written once. With owners (one per pixel of the target, rows of the
    // target's width), each pixel painted there notes its placement's Owner, and one taken
    // from the background -1.
    void Paint(Bitmap& target, const Region& clip, std::span<const Stamp> stamps,
               std::span<const StampPlacement> placements, const PixelMask* within = nullptr,
               const Bitmap* background = nullptr, int32_t* owners = nullptr);

private:
    // A stamp's row masks in eights, the last eight filled up with empty rows, so that
    // eight rows are tested at once.
    struct Masks {
        std::vector<uint64_t> Rows;
        // The fewest rows any of its columns paints, when each column paints one run of
        // rows (see Covered); 0 otherwise.
        int32_t ColumnRun = 0;
    };
    // Whether a copy of a stamp of column runs is surely hidden by copies of the same stamp
    // laid after it in its column: one at its row, or one above and one below it closer
    // together than its shortest column, whose columns then cover all of its.
    bool Covered(int32_t column, int32_t row, int32_t run) const;
    void NoteLaid(int32_t column, int32_t row);
    // The decided pixels of the bounds by blocks of 64 columns: row r of block b is word
    // b * rows_ + r, for the columns 64 (b - 1) on from the bounds' left edge. The first
    // and last blocks, and the rows below the bounds, are decided.
    uint64_t* Block(size_t b) { return decided_.data() + b * rows_; }
    // Paint within bounds that are a part of the clip's.
    void PaintWithin(Bitmap& target, const Region& clip, std::span<const Stamp> stamps,
                     std::span<const StampPlacement> placements, const PixelMask* within,
                     const Bitmap* background, int32_t* owners, Rect bounds);
    template <bool Wide>
    void PaintAll(Bitmap& target, const Rect& bounds, std::span<const Stamp> stamps,
                  std::span<const StampPlacement> placements, int32_t* owners);
    // The pixels of the bounds that are not decided: taken from the background when given,
    // noted as owned by none when owners are.
    void FillUndecided(Bitmap& target, const Rect& bounds, const Bitmap* background,
                       int32_t* owners);

    std::vector<uint64_t> decided_;
    size_t blocks_ = 0;
    size_t rows_ = 0;
    std::vector<uint64_t> open_;
    std::vector<Masks> masks_;
    // The rows, by column of the bounds, where a copy of the one stamp was laid: a bit per
    // row, words per column; empty when there are several stamps.
    std::vector<uint64_t> laid_;
    size_t laidWords_ = 0;
    // Whether a quarter or more of the copies were hidden in their columns in the last
    // paint: then they are sifted before any is laid, in this order, topmost first.
    bool siftColumns_ = false;
    // Whether the copies are tested against those laid in their columns at all. Where few
    // are hidden there, as when the copies lie scattered, the tests cost more than the
    // laying they save; while they are left out, the copies that turn out hidden by any
    // laid before them tell when the tests may pay again.
    bool testColumns_ = true;
    std::vector<uint32_t> order_;
    bool wide_;
};

// How many pixels of a picture each owner shows, for owners from Base on; counted afresh
// from the owners when not Known.
struct OwnerCounts {
    bool Known = false;
    int32_t Base = 0;
    std::vector<int32_t> Counts;

    // Counts the owners of the pixels inside the clip, of a picture of the size.
    void Recount(const int32_t* owners, int32_t width, int32_t height, const Region& clip);
    // The count of an owner (0 or more), made room for.
    int32_t& At(int32_t owner);
};

// Makes the picture of copies whose owners are known that of the moves made: each pixel a
// move may change shows, as drawing all the copies in order would, the topmost copy there
// or the background. The moves are in ascending order of their owners, which the other
// copies keep. Where the background changed (`ground`), the pixels no copy owns take the
// new one. Adds the rectangles where pixels may have changed. The counts follow the owners;
// a copy that showed no pixel is only looked at where it came.
void MoveStamps(Bitmap& target, int32_t* owners, OwnerCounts& counts, const Region& clip,
                const Bitmap& background, std::span<const Stamp> stamps,
                std::span<const StampMove> moves, std::span<const Rect> ground,
                const StampFinder& find, std::vector<Rect>& changed,
                bool wideStores = StampPainter::WideStoresSupported());

} // namespace vemora::gfx
