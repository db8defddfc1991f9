#include "platform/gfx/stamps.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <immintrin.h>

namespace vemora::gfx {

bool MakeStamp(const Bitmap& overBlack, const Bitmap& overWhite, Point anchor, Stamp& stamp) {
    const int w = overBlack.Width(), h = overBlack.Height();
    if (overWhite.Width() != w || overWhite.Height() != h)
        return false;
    int left = w, right = -1, top = h, bottom = -1;
    for (int y = 0; y < h; ++y) {
        const Pixel* b = overBlack.Row(y);
        const Pixel* v = overWhite.Row(y);
        for (int x = 0; x < w; ++x) {
            if (b[x] != v[x]) {
                if (b[x] == kStampUnderlayBlack && v[x] == kStampUnderlayWhite)
                    continue;
                return false;
            }
            if (x == 0 || y == 0 || x == w - 1 || y == h - 1)
                return false;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    stamp.Rows.clear();
    stamp.Pixels.clear();
    if (right < 0) {
        stamp.Left = stamp.Top = stamp.Width = stamp.Height = 0;
        return true;
    }
    if (right - left + 1 > kMaxStampWidth)
        return false;
    stamp.Left = left - anchor.X;
    stamp.Top = top - anchor.Y;
    stamp.Width = right - left + 1;
    stamp.Height = bottom - top + 1;
    stamp.Rows.assign(static_cast<size_t>(stamp.Height), 0);
    stamp.Pixels.assign(static_cast<size_t>(stamp.Width) * static_cast<size_t>(stamp.Height), 0);
    for (int y = top; y <= bottom; ++y) {
        const Pixel* b = overBlack.Row(y);
        const Pixel* v = overWhite.Row(y);
        const size_t r = static_cast<size_t>(y - top);
        for (int x = left; x <= right; ++x) {
            if (b[x] != v[x])
                continue;
            stamp.Rows[r] |= uint64_t{1} << (x - left);
            stamp.Pixels[r * static_cast<size_t>(stamp.Width) + static_cast<size_t>(x - left)] =
                b[x];
        }
    }
    return true;
}

namespace {

// Copies the stamp pixels whose bits are set.
void CopyBits(uint64_t bits, Pixel* out, const Pixel* source) {
    for (; bits != 0; bits &= bits - 1) {
        const int i = std::countr_zero(bits);
        out[i] = source[i];
    }
}

} // namespace

namespace {

uint64_t Load64(const uint8_t* at) {
    uint64_t bits;
    std::memcpy(&bits, at, sizeof bits);
    return bits;
}

void Store64(uint8_t* at, uint64_t bits) {
    std::memcpy(at, &bits, sizeof bits);
}

// Bit k set when byte k of the word is 0xFF.
unsigned FullBytes(uint64_t w) {
    uint64_t x = w & (w >> 4);
    x &= x >> 2;
    x &= x >> 1;
    return static_cast<unsigned>(((x & 0x0101010101010101u) * 0x0102040810204080u) >> 56);
}

} // namespace

void StampPainter::Paint(Bitmap& target, const Region& clip, std::span<const Stamp> stamps,
                         std::span<const StampPlacement> placements) {
    const Rect& c = clip.Bounds();
    const Rect bounds{std::max(c.Left, 0), std::max(c.Top, 0), std::min(c.Right, target.Width()),
                      std::min(c.Bottom, target.Height())};
    if (bounds.IsEmpty() || placements.empty())
        return;
    const int32_t width = bounds.Right - bounds.Left, height = bounds.Bottom - bounds.Top;
    // Column x of the bounds is bit kPad + x of its row; the pads on both sides, and the
    // rows that round the height up to whole tiles, stay decided, so a copy hanging over an
    // edge needs no special case in the masks.
    rowBytes_ = static_cast<size_t>(kPad + width + kPad + 7) / 8;
    const size_t tileRows = static_cast<size_t>(height + 7) / 8;
    decided_.assign(rowBytes_ * tileRows * 8, 0xFF);
    for (int32_t y = bounds.Top; y < bounds.Bottom; ++y) {
        uint8_t* row = decided_.data() + static_cast<size_t>(y - bounds.Top) * rowBytes_;
        clip.ForEachSpan(y, bounds.Left, bounds.Right, [&](int32_t a, int32_t b) {
            int32_t x = a - bounds.Left + kPad;
            const int32_t e = b - bounds.Left + kPad;
            for (; x < e && (x & 7) != 0; ++x)
                row[x >> 3] &= static_cast<uint8_t>(~(1u << (x & 7)));
            const int32_t whole = (e - x) / 8;
            if (whole > 0) {
                std::memset(row + (x >> 3), 0, static_cast<size_t>(whole));
                x += whole * 8;
            }
            for (; x < e; ++x)
                row[x >> 3] &= static_cast<uint8_t>(~(1u << (x & 7)));
        });
    }
    // A tile is a byte of the mask on eight rows: 8x8 pixels. Its bit is set once all its
    // pixels are known to be decided; tiles are learned as copies look at them.
    tileRowBytes_ = (rowBytes_ + 7) / 8 + 8;
    tiles_.assign(tileRowBytes_ * tileRows, 0);
    for (size_t t = 0; t < tileRows; ++t)
        for (size_t b = 0; b + 8 <= rowBytes_; b += 8)
            LearnTiles(t, b);
    // Topmost first: a pixel belongs to the last copy that paints it.
    for (size_t k = placements.size(); k-- > 0;)
        PaintCopy(target, bounds, stamps[placements[k].Stamp], placements[k]);
}

void StampPainter::LearnTiles(size_t tileRow, size_t byte) {
    const uint8_t* at = decided_.data() + tileRow * 8 * rowBytes_ + byte;
    uint64_t all = ~uint64_t{0};
    for (int r = 0; r < 8; ++r)
        all &= Load64(at + static_cast<size_t>(r) * rowBytes_);
    uint8_t* bits = tiles_.data() + tileRow * tileRowBytes_ + (byte >> 3);
    Store64(bits, Load64(bits) | uint64_t{FullBytes(all)} << (byte & 7));
}

inline void StampPainter::PaintCopy(Bitmap& target, const Rect& bounds, const Stamp& s,
                                    const StampPlacement& p) {
    const int32_t width = bounds.Right - bounds.Left, height = bounds.Bottom - bounds.Top;
    const int64_t c0 = int64_t{p.X} + s.Left - bounds.Left;
    const int64_t r0 = int64_t{p.Y} + s.Top - bounds.Top;
    if (s.Width == 0 || c0 >= width || c0 + s.Width <= 0 || r0 >= height || r0 + s.Height <= 0)
        return;
    // The eight bytes at `byte` hold the stamp's columns from bit `shift` on.
    const size_t byte = static_cast<size_t>(c0 + kPad) >> 3;
    const int shift = static_cast<int>((c0 + kPad) & 7);
    const int32_t rBegin = r0 < 0 ? static_cast<int32_t>(-r0) : 0;
    const int32_t rEnd = static_cast<int32_t>(std::min<int64_t>(s.Height, height - r0));
    const size_t rowFirst = static_cast<size_t>(r0 + rBegin);
    const size_t rowEnd = static_cast<size_t>(r0 + rEnd);
    // Hidden when every tile under the copy's box is: a test per row of tiles.
    const unsigned tilesWide = static_cast<unsigned>(shift + s.Width + 7) / 8;
    const uint64_t tilesNeeded = (uint64_t{1} << tilesWide) - 1;
    bool hidden = true;
    for (size_t t = rowFirst / 8; t <= (rowEnd - 1) / 8 && hidden; ++t)
        hidden = ((Load64(tiles_.data() + t * tileRowBytes_ + (byte >> 3)) >> (byte & 7)) &
                  tilesNeeded) == tilesNeeded;
    if (hidden)
        return;
    const Rows rows{s,
                    decided_.data() + rowFirst * rowBytes_ + byte,
                    shift,
                    rBegin,
                    rEnd,
                    c0 + bounds.Left,
                    bounds.Top + r0,
                    rowBytes_};
    const bool painted = wide_ ? PaintRowsWide(target, rows) : PaintRows(target, rows);
    if (!painted) {
        // Hidden, perhaps because its tiles are full now: remember those that lie wholly in
        // its rows.
        for (size_t t = (rowFirst + 7) / 8; t * 8 + 8 <= rowEnd; ++t)
            LearnTiles(t, byte);
    }
}

// The loops below keep what they need in locals: their byte stores into the mask could
// alias anything else, and the compiler would reload it all on every row.
bool StampPainter::PaintRows(Bitmap& target, const Rows& c) const {
    const uint64_t* masks = c.Copy.Rows.data() + c.Begin;
    const int32_t rows = c.End - c.Begin;
    const size_t rowBytes = c.RowBytes;
    const int shift = c.Shift;
    // Most copies of a dense series are hidden: find out without a branch per row.
    uint64_t open = 0;
    {
        const uint8_t* at = c.First;
        for (int32_t r = 0; r < rows; ++r, at += rowBytes)
            open |= masks[r] & ~(Load64(at) >> shift);
    }
    if (open == 0)
        return false;
    // Columns outside the bounds are decided, so never fresh.
    const int64_t from = c.X < 0 ? -c.X : 0;
    const ptrdiff_t stride = target.Width();
    const int32_t width = c.Copy.Width;
    Pixel* out = target.Row(static_cast<int>(c.Y + c.Begin)) + (c.X + from);
    const Pixel* source = c.Copy.Pixels.data() + static_cast<size_t>(c.Begin) * width + from;
    uint8_t* at = c.First;
    for (int32_t r = 0; r < rows; ++r, at += rowBytes, out += stride, source += width) {
        const uint64_t was = Load64(at);
        const uint64_t fresh = masks[r] & ~(was >> shift);
        if (fresh == 0)
            continue;
        Store64(at, was | fresh << shift);
        CopyBits(fresh >> from, out, source);
    }
    return true;
}

// With masked stores a row goes in one or a few instructions whatever its fresh pixels,
// so no branch depends on them: a copy that shows a sliver costs what a hidden one does.
[[gnu::target("avx512f,avx512vl")]] bool StampPainter::PaintRowsWide(Bitmap& target,
                                                                     const Rows& c) const {
    if (c.X < 0)
        return PaintRows(target, c);
    const uint64_t* masks = c.Copy.Rows.data() + c.Begin;
    const int32_t rows = c.End - c.Begin;
    const size_t rowBytes = c.RowBytes;
    const int shift = c.Shift;
    const ptrdiff_t stride = target.Width();
    const int32_t width = c.Copy.Width;
    const int chunks = (width + 15) / 16;
    Pixel* out = target.Row(static_cast<int>(c.Y + c.Begin)) + c.X;
    const Pixel* source = c.Copy.Pixels.data() + static_cast<size_t>(c.Begin) * width;
    uint8_t* at = c.First;
    uint64_t open = 0;
    for (int32_t r = 0; r < rows; ++r, at += rowBytes, out += stride, source += width) {
        const uint64_t was = Load64(at);
        const uint64_t fresh = masks[r] & ~(was >> shift);
        open |= fresh;
        Store64(at, was | fresh << shift);
        for (int k = 0; k < chunks; ++k) {
            const auto lanes = static_cast<__mmask16>(fresh >> (16 * k));
            const __m512i pixels = _mm512_maskz_loadu_epi32(lanes, source + 16 * k);
            _mm512_mask_storeu_epi32(out + 16 * k, lanes, pixels);
        }
    }
    return open != 0;
}

bool StampPainter::WideStoresSupported() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
}

} // namespace vemora::gfx
