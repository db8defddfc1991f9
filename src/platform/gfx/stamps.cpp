#include "platform/gfx/stamps.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <immintrin.h>

namespace vemora::gfx {

bool MakeStamp(const Bitmap& overBlack, const Bitmap& overWhite, Point anchor, Stamp& result) {
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
    // Made aside, so that a refusal leaves the caller's stamp as it was.
    Stamp stamp;
    if (right < 0) {
        result = std::move(stamp);
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
    result = std::move(stamp);
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
    tilesOn_ = true;
    tileSeen_ = tileUseful_ = 0;
    if (wide_)
        PaintWide(target, bounds, stamps, placements);
    else
        PaintPlain(target, bounds, stamps, placements);
}

inline void StampPainter::LearnTiles(size_t tileRow, size_t byte) {
    const uint8_t* at = decided_.data() + tileRow * 8 * rowBytes_ + byte;
    uint64_t all = ~uint64_t{0};
    for (int r = 0; r < 8; ++r)
        all &= Load64(at + static_cast<size_t>(r) * rowBytes_);
    uint8_t* bits = tiles_.data() + tileRow * tileRowBytes_ + (byte >> 3);
    Store64(bits, Load64(bits) | uint64_t{FullBytes(all)} << (byte & 7));
}

// Where the copy lands; false when it misses the bounds or every tile under it is full.
[[gnu::always_inline]] inline bool StampPainter::Locate(Bitmap& target, const Rect& bounds,
                                                        const Stamp& s, const StampPlacement& p,
                                                        Rows& c) {
    const int32_t width = bounds.Right - bounds.Left, height = bounds.Bottom - bounds.Top;
    const int64_t c0 = int64_t{p.X} + s.Left - bounds.Left;
    const int64_t r0 = int64_t{p.Y} + s.Top - bounds.Top;
    if (s.Width == 0 || c0 >= width || c0 + s.Width <= 0 || r0 >= height || r0 + s.Height <= 0)
        return false;
    // The eight bytes at `byte` hold the stamp's columns from bit `shift` on.
    c.Byte = static_cast<size_t>(c0 + kPad) >> 3;
    c.Shift = static_cast<int>((c0 + kPad) & 7);
    const int32_t rBegin = r0 < 0 ? static_cast<int32_t>(-r0) : 0;
    const int32_t rEnd = static_cast<int32_t>(std::min<int64_t>(s.Height, height - r0));
    c.RowFirst = static_cast<size_t>(r0 + rBegin);
    c.RowEnd = static_cast<size_t>(r0 + rEnd);
    // Hidden when every tile under the copy's box is: a test per row of tiles.
    const unsigned tilesWide = static_cast<unsigned>(c.Shift + s.Width + 7) / 8;
    const uint64_t tilesNeeded = (uint64_t{1} << tilesWide) - 1;
    if (tilesOn_) {
        bool hidden = true;
        for (size_t t = c.RowFirst / 8; t <= (c.RowEnd - 1) / 8 && hidden; ++t)
            hidden = ((Load64(tiles_.data() + t * tileRowBytes_ + (c.Byte >> 3)) >> (c.Byte & 7)) &
                      tilesNeeded) == tilesNeeded;
        CountTileTest(hidden);
        if (hidden)
            return false;
    } else {
        CountTileTest(false);
    }
    c.Masks = s.Rows.data() + rBegin;
    c.Count = rEnd - rBegin;
    c.Mask = decided_.data() + c.RowFirst * rowBytes_ + c.Byte;
    c.RowBytes = rowBytes_;
    c.X = c0 + bounds.Left;
    c.Stride = target.Width();
    c.Width = s.Width;
    c.Out = target.Row(static_cast<int>(bounds.Top + c.RowFirst));
    c.Source = s.Pixels.data() + static_cast<size_t>(rBegin) * s.Width;
    return true;
}

// A copy found hidden, perhaps because its tiles are full now: remember those that lie
// wholly in its rows.
inline void StampPainter::CountTileTest(bool useful) {
    // Tiles pay where copies lie on others at random; where each shows a sliver next to
    // the one before (points in order of X) the test only costs. Judged every 256 copies
    // by how many it caught, or, while it is off, by how many it could have.
    tileUseful_ += useful ? 1 : 0;
    if (++tileSeen_ < 256)
        return;
    tilesOn_ = tileUseful_ >= 16;
    tileSeen_ = tileUseful_ = 0;
}

inline void StampPainter::Hidden(const Rows& c) {
    if (!tilesOn_)
        ++tileUseful_;
    for (size_t t = (c.RowFirst + 7) / 8; t * 8 + 8 <= c.RowEnd; ++t)
        LearnTiles(t, c.Byte);
}

// The loops below keep what they need in locals: their byte stores into the mask could
// alias anything else, and the compiler would reload it all on every row.
bool StampPainter::PaintRows(const Rows& c) {
    const uint64_t* masks = c.Masks;
    const size_t rowBytes = c.RowBytes;
    const int shift = c.Shift;
    // Most copies of a dense series are hidden: find out without a branch per row.
    uint64_t open = 0;
    {
        const uint8_t* at = c.Mask;
        for (int32_t r = 0; r < c.Count; ++r, at += rowBytes)
            open |= masks[r] & ~(Load64(at) >> shift);
    }
    if (open == 0)
        return false;
    // Columns outside the bounds are decided, so never fresh.
    const int64_t from = c.X < 0 ? -c.X : 0;
    const ptrdiff_t stride = c.Stride;
    const int32_t width = c.Width;
    Pixel* out = c.Out + (c.X + from);
    const Pixel* source = c.Source + from;
    uint8_t* at = c.Mask;
    for (int32_t r = 0; r < c.Count; ++r, at += rowBytes, out += stride, source += width) {
        const uint64_t was = Load64(at);
        const uint64_t fresh = masks[r] & ~(was >> shift);
        if (fresh == 0)
            continue;
        Store64(at, was | fresh << shift);
        CopyBits(fresh >> from, out, source);
    }
    return true;
}

void StampPainter::PaintPlain(Bitmap& target, const Rect& bounds, std::span<const Stamp> stamps,
                              std::span<const StampPlacement> placements) {
    // Topmost first: a pixel belongs to the last copy that paints it.
    for (size_t k = placements.size(); k-- > 0;) {
        Rows c;
        if (Locate(target, bounds, stamps[placements[k].Stamp], placements[k], c) && !PaintRows(c))
            Hidden(c);
    }
}

// With masked stores a row goes in one or a few instructions whatever its fresh pixels,
// so no branch depends on them: a copy that shows a sliver costs what a hidden one does.
[[gnu::target("avx512f,avx512vl")]] void
StampPainter::PaintWide(Bitmap& target, const Rect& bounds, std::span<const Stamp> stamps,
                        std::span<const StampPlacement> placements) {
    for (size_t k = placements.size(); k-- > 0;) {
        Rows c;
        if (!Locate(target, bounds, stamps[placements[k].Stamp], placements[k], c))
            continue;
        if (c.X < 0) {
            if (!PaintRows(c))
                Hidden(c);
            continue;
        }
        const uint64_t* masks = c.Masks;
        const size_t rowBytes = c.RowBytes;
        const int shift = c.Shift;
        const ptrdiff_t stride = c.Stride;
        const int32_t width = c.Width;
        const int chunks = (width + 15) / 16;
        Pixel* out = c.Out + c.X;
        const Pixel* source = c.Source;
        uint8_t* at = c.Mask;
        uint64_t open = 0;
        if (chunks == 1) {
            // The common marker: a row is one masked load and store.
            for (int32_t r = 0; r < c.Count; ++r, at += rowBytes, out += stride, source += width) {
                const uint64_t was = Load64(at);
                const uint64_t fresh = masks[r] & ~(was >> shift);
                open |= fresh;
                Store64(at, was | fresh << shift);
                const auto lanes = static_cast<__mmask16>(fresh);
                _mm512_mask_storeu_epi32(out, lanes, _mm512_maskz_loadu_epi32(lanes, source));
            }
        } else {
            for (int32_t r = 0; r < c.Count; ++r, at += rowBytes, out += stride, source += width) {
                const uint64_t was = Load64(at);
                const uint64_t fresh = masks[r] & ~(was >> shift);
                open |= fresh;
                Store64(at, was | fresh << shift);
                for (int j = 0; j < chunks; ++j) {
                    const auto lanes = static_cast<__mmask16>(fresh >> (16 * j));
                    const __m512i pixels = _mm512_maskz_loadu_epi32(lanes, source + 16 * j);
                    _mm512_mask_storeu_epi32(out + 16 * j, lanes, pixels);
                }
            }
        }
        if (open == 0)
            Hidden(c);
    }
}

bool StampPainter::WideStoresSupported() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
}

} // namespace vemora::gfx
