// Stamps: a drawing that looks the same wherever it stands (a series marker, say) is made
// once into a small bitmap, and its copies are put down topmost first with a mask of the
// pixels already decided. Each pixel of the target is written at most once, and a copy
// that later copies hide entirely costs a few mask tests instead of its fill and outline.
// The result is the one drawing every copy in order, one over the other, would give.
#pragma once

#include "platform/gfx/bitmap.h"
#include "platform/gfx/geometry.h"
#include "platform/gfx/region.h"

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
};

// Keeps its mask between calls, so that painting allocates nothing once it has grown.
class StampPainter {
public:
    // Masked vector stores where the processor has them; the plain way on request (the
    // two must paint the same).
    explicit StampPainter(bool wideStores = WideStoresSupported()) : wide_(wideStores) {}
    static bool WideStoresSupported();
    bool WideStores() const { return wide_; }

    // Paints the placements as drawn one after another in the given order, later ones over
    // earlier ones, onto the target within the clip region (in the target's pixels).
    void Paint(Bitmap& target, const Region& clip, std::span<const Stamp> stamps,
               std::span<const StampPlacement> placements);

private:
    // Where one copy lands: its stamp rows, mask bytes (from bit Shift on) and pixels.
    struct Rows {
        size_t Byte = 0; // first mask byte of the copy's columns
        int Shift = 0;
        size_t RowFirst = 0, RowEnd = 0; // rows within the bounds
        const uint64_t* Masks = nullptr; // the stamp's row masks from RowFirst
        int32_t Count = 0;               // rows
        uint8_t* Mask = nullptr;         // the mask at RowFirst
        size_t RowBytes = 0;
        int64_t X = 0; // target column of the stamp's first column
        ptrdiff_t Stride = 0;
        int32_t Width = 0;
        Pixel* Out = nullptr;          // target row RowFirst
        const Pixel* Source = nullptr; // stamp pixels of the first row
    };
    bool Locate(Bitmap& target, const Rect& bounds, const Stamp& s, const StampPlacement& p,
                Rows& c);
    // Paints the fresh pixels of the rows; false when none was.
    static bool PaintRows(const Rows& rows);
    void Hidden(const Rows& rows);
    void CountTileTest(bool useful);
    void PaintPlain(Bitmap& target, const Rect& bounds, std::span<const Stamp> stamps,
                    std::span<const StampPlacement> placements);
    void PaintWide(Bitmap& target, const Rect& bounds, std::span<const Stamp> stamps,
                   std::span<const StampPlacement> placements);
    // Sets the bits of the tiles of the tile row that are full, over the eight bytes of
    // the mask from `byte` on.
    void LearnTiles(size_t tileRow, size_t byte);

    // Columns of decided pixels on either side of the clip's bounds: a stamp's width and
    // the seven of a load's start, rounded to bytes.
    static constexpr int32_t kPad = 64;
    // One bit per pixel of the clip's bounds and the pads, set when the pixel is decided:
    // painted by a later copy, or outside the clip.
    std::vector<uint8_t> decided_;
    size_t rowBytes_ = 0;
    // One bit per 8x8 tile (a byte of the mask on eight rows), set when all of it is
    // decided; with a spare word per row for unaligned loads.
    std::vector<uint8_t> tiles_;
    size_t tileRowBytes_ = 0;
    // Whether copies are tested against the tiles first, and how that went lately.
    bool tilesOn_ = true;
    int tileSeen_ = 0;
    int tileUseful_ = 0;
    bool wide_;
};

} // namespace vemora::gfx
