#include "platform/gfx/stamps.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <immintrin.h>
#include <utility>

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
[[gnu::always_inline]] inline void CopyBits(uint64_t bits, Pixel* out, const Pixel* source) {
    for (; bits != 0; bits &= bits - 1) {
        const int i = std::countr_zero(bits);
        out[i] = source[i];
    }
}

[[gnu::always_inline]] inline void SetBits(uint64_t bits, int32_t* out, int32_t value) {
    for (; bits != 0; bits &= bits - 1)
        out[std::countr_zero(bits)] = value;
}

// The same sixteen lanes at a time, with masked stores; the source rows have room for a
// whole last chunk.
[[gnu::target("avx512f")]] inline void CopyWide(uint64_t bits, Pixel* out, const Pixel* source) {
    for (int j = 0; bits != 0; bits >>= 16, j += 16) {
        const auto lanes = static_cast<__mmask16>(bits);
        if (lanes != 0)
            _mm512_mask_storeu_epi32(out + j, lanes, _mm512_maskz_loadu_epi32(lanes, source + j));
    }
}

[[gnu::target("avx512f")]] inline void SetWide(uint64_t bits, int32_t* out, int32_t value) {
    const __m512i v = _mm512_set1_epi32(value);
    for (int j = 0; bits != 0; bits >>= 16, j += 16) {
        const auto lanes = static_cast<__mmask16>(bits);
        if (lanes != 0)
            _mm512_mask_storeu_epi32(out + j, lanes, v);
    }
}

// Sets bits [from, to) of a row of words.
void SetRun(uint64_t* row, int32_t from, int32_t to) {
    while (from < to) {
        const int32_t end = std::min(to, (from | 63) + 1);
        const int n = end - from;
        row[from >> 6] |= (n == 64 ? ~uint64_t{0} : ((uint64_t{1} << n) - 1)) << (from & 63);
        from = end;
    }
}

} // namespace

void StampPainter::Paint(Bitmap& target, const Region& clip, std::span<const Stamp> stamps,
                         std::span<const StampPlacement> placements, const PixelMask* within,
                         const Bitmap* background, int32_t* owners) {
    Rect bounds = clip.Bounds().Intersect({0, 0, target.Width(), target.Height()});
    if (within) {
        if (within->Width() != target.Width() || within->Height() != target.Height())
            return;
        bounds = bounds.Intersect(within->Bounds());
    }
    if (bounds.IsEmpty() || (placements.empty() && !background))
        return;
    // From a whole block of columns, so that a word of the masks is a word of within's.
    bounds.Left &= ~63;
    const int32_t width = bounds.Right - bounds.Left, height = bounds.Bottom - bounds.Top;
    const size_t words = static_cast<size_t>(width + 63) / 64;
    blocks_ = words + 2;
    rows_ = static_cast<size_t>(height) + 8;
    decided_.assign(blocks_ * rows_, ~uint64_t{0});
    open_.resize(words);
    const size_t firstWord = static_cast<size_t>(bounds.Left) / 64;
    for (int32_t y = bounds.Top; y < bounds.Bottom; ++y) {
        // The pixels to decide: inside the clip, and inside within when given.
        std::fill(open_.begin(), open_.end(), 0);
        clip.ForEachSpan(y, bounds.Left, bounds.Right, [&](int32_t a, int32_t b) {
            SetRun(open_.data(), a - bounds.Left, b - bounds.Left);
        });
        const uint64_t* inside = within ? within->Row(y) + firstWord : nullptr;
        const size_t r = static_cast<size_t>(y - bounds.Top);
        for (size_t w = 0; w < words; ++w)
            Block(w + 1)[r] = ~(inside ? open_[w] & inside[w] : open_[w]);
    }
    // The row masks of every stamp, in whole eights with empty ones after.
    masks_.resize(stamps.size());
    for (size_t i = 0; i < stamps.size(); ++i) {
        const Stamp& stamp = stamps[i];
        Masks& m = masks_[i];
        m.Rows.assign((static_cast<size_t>(stamp.Height) + 7) / 8 * 8 + 8, 0);
        std::copy(stamp.Rows.begin(), stamp.Rows.end(), m.Rows.begin());
        m.ColumnRun = INT32_MAX;
        for (int32_t c = 0; c < stamp.Width && m.ColumnRun > 0; ++c) {
            int32_t first = -1, last = -1, count = 0;
            for (int32_t r = 0; r < stamp.Height; ++r) {
                if ((stamp.Rows[static_cast<size_t>(r)] >> c) & 1) {
                    first = first < 0 ? r : first;
                    last = r;
                    ++count;
                }
            }
            if (count == 0)
                continue;
            m.ColumnRun = count == last - first + 1 ? std::min(m.ColumnRun, count) : 0;
        }
        // The window of Covered holds a run's rows on either side.
        if (m.ColumnRun == INT32_MAX || m.ColumnRun > 31)
            m.ColumnRun = 0;
    }
    // Copies of one stamp in the same column hide one another by their rows alone.
    laid_.clear();
    if (testColumns_ && stamps.size() == 1 && masks_[0].ColumnRun > 0) {
        laidWords_ = static_cast<size_t>(bounds.Bottom - bounds.Top + 63) / 64 + 2;
        laid_.assign(laidWords_ * static_cast<size_t>(bounds.Right - bounds.Left), 0);
    }
    if (wide_)
        PaintAll<true>(target, bounds, stamps, placements, owners);
    else
        PaintAll<false>(target, bounds, stamps, placements, owners);
    const bool fill = background && background->Width() == target.Width() &&
                      background->Height() == target.Height();
    if (fill || owners)
        FillUndecided(target, bounds, fill ? background : nullptr, owners);
}

inline bool StampPainter::Covered(int32_t column, int32_t row, int32_t run) const {
    // The column's rows from `row - run` on, 64 of them: the rows are kept 64 down in the
    // words, so that the window never starts before them. Bit `run` is the copy's own row.
    const uint64_t* words = laid_.data() + static_cast<size_t>(column) * laidWords_;
    const int32_t from = row + 64 - run;
    const int shift = from & 63;
    const uint64_t window =
        (words[from >> 6] >> shift) | ((words[(from >> 6) + 1] << 1) << (63 - shift));
    const uint64_t runBits = (uint64_t{1} << run) - 1;
    // The nearest laid rows above (the highest bit below `run`) and below; none gives -1
    // and 64, which never meet.
    const int above = 63 - std::countl_zero(window & runBits);
    const int below = std::countr_zero((window >> (run + 1)) & runBits);
    return ((window >> run) & 1) != 0 || below + 1 <= above;
}

inline void StampPainter::NoteLaid(int32_t column, int32_t row) {
    uint64_t* words = laid_.data() + static_cast<size_t>(column) * laidWords_;
    const int32_t at = row + 64;
    words[at >> 6] |= uint64_t{1} << (at & 63);
}

namespace {

// Whether the rows [from, to) of a copy over the decided words show any pixel: the stamp's
// columns start `shift` bits into the words of `low` and go on into `high`.
template <bool Wide> struct HiddenTest {
    static bool Shows(const uint64_t* masks, const uint64_t* low, const uint64_t* high, int shift,
                      int32_t from, int32_t to) {
        uint64_t open = 0;
        if (shift == 0) {
            for (int32_t r = from; r < to; ++r)
                open |= masks[r] & ~low[r];
        } else {
            for (int32_t r = from; r < to; ++r)
                open |= masks[r] & ~((low[r] >> shift) | (high[r] << (64 - shift)));
        }
        return open != 0;
    }
};

} // namespace

namespace {

// One copy, eight rows a step: which of its pixels are fresh, the masks marked, and those
// pixels (and owners) written. A copy with none leaves everything as it was, and gives false.
[[gnu::target("avx512f")]] bool LayWide(uint64_t* low, uint64_t* high, const uint64_t* masks,
                                        int shift, int32_t count, Pixel* out, ptrdiff_t stride,
                                        const Pixel* source, int32_t width, int32_t* owners,
                                        int32_t owner) {
    const __m128i right = _mm_cvtsi32_si128(shift);
    const __m128i left = _mm_cvtsi32_si128(64 - shift);
    alignas(64) uint64_t fresh[8];
    bool any = false;
    for (int32_t r = 0; r < count; r += 8) {
        const __m512i lo = _mm512_loadu_si512(low + r);
        const __m512i hi = _mm512_loadu_si512(high + r);
        // The zero-masked forms: the plain ones start from an undefined register.
        const __m512i window = _mm512_or_si512(_mm512_maskz_srl_epi64(0xFF, lo, right),
                                               _mm512_maskz_sll_epi64(0xFF, hi, left));
        const __m512i bits = _mm512_maskz_andnot_epi64(0xFF, window, _mm512_loadu_si512(masks + r));
        unsigned rows = _mm512_test_epi64_mask(bits, bits);
        if (rows == 0)
            continue;
        any = true;
        _mm512_storeu_si512(low + r,
                            _mm512_or_si512(lo, _mm512_maskz_sll_epi64(0xFF, bits, right)));
        _mm512_storeu_si512(high + r,
                            _mm512_or_si512(hi, _mm512_maskz_srl_epi64(0xFF, bits, left)));
        _mm512_store_si512(fresh, bits);
        // Every row of the eight, whether it has fresh pixels or not: a masked store of none
        // costs less than a branch the processor cannot foresee.
        const int32_t end = std::min(count - r, 8);
        Pixel* at = out + r * stride;
        const Pixel* from = source + static_cast<ptrdiff_t>(r) * width;
        if (width <= 16) {
            for (int32_t k = 0; k < end; ++k, at += stride, from += width) {
                const auto lanes = static_cast<__mmask16>(fresh[k]);
                _mm512_mask_storeu_epi32(at, lanes, _mm512_maskz_loadu_epi32(lanes, from));
            }
        } else {
            for (int32_t k = 0; k < end; ++k, at += stride, from += width)
                CopyWide(fresh[k], at, from);
        }
        if (owners) {
            int32_t* noted = owners + r * stride;
            for (int32_t k = 0; k < end; ++k, noted += stride)
                SetWide(fresh[k], noted, owner);
        }
        (void)rows;
    }
    return any;
}

} // namespace

template <bool Wide>
void StampPainter::PaintAll(Bitmap& target, const Rect& bounds, std::span<const Stamp> stamps,
                            std::span<const StampPlacement> placements, int32_t* owners) {
    const int32_t width = bounds.Right - bounds.Left, height = bounds.Bottom - bounds.Top;
    const ptrdiff_t stride = target.Width();
    // Lays a copy; false when all of it inside the bounds was decided already.
    const auto lay = [&](const StampPlacement& p) __attribute__((always_inline)) {
        const Stamp& s = stamps[p.Stamp];
        const int64_t c0 = int64_t{p.X} + s.Left - bounds.Left;
        const int64_t r0 = int64_t{p.Y} + s.Top - bounds.Top;
        if (s.Width <= 0 || s.Height <= 0 || c0 >= width || c0 + s.Width <= 0 || r0 >= height ||
            r0 + s.Height <= 0)
            return true;
        // No stamp is wider than a block: it starts in block b and may run into the next.
        const size_t b = static_cast<size_t>(c0 + 64) >> 6;
        const int shift = static_cast<int>((c0 + 64) & 63);
        const int32_t from = r0 < 0 ? static_cast<int32_t>(-r0) : 0;
        const int32_t to = static_cast<int32_t>(std::min<int64_t>(s.Height, height - r0));
        // The copy's rows within the bounds, from its row `from` on.
        const int32_t count = to - from;
        uint64_t* low = Block(b) + (r0 + from);
        uint64_t* high = Block(b + 1) + (r0 + from);
        const uint64_t* masks = masks_[p.Stamp].Rows.data() + from;
        const int64_t column = bounds.Left + c0;
        const int64_t rowStart = (bounds.Top + r0 + from) * stride;
        const Pixel* source = s.Pixels.data() + static_cast<size_t>(from) * s.Width;
        if constexpr (Wide) {
            return LayWide(low, high, masks, shift, count, target.Data() + rowStart + column,
                           stride, source, s.Width, owners ? owners + rowStart + column : nullptr,
                           p.Owner);
        }
        if (!HiddenTest<false>::Shows(masks, low, high, shift, 0, count))
            return false;
        Pixel* out = target.Data() + rowStart + column;
        int32_t* noted = owners ? owners + rowStart + column : nullptr;
        for (int32_t r = 0; r < count; ++r, out += stride, source += s.Width) {
            if (noted && r > 0)
                noted += stride;
            const uint64_t window =
                shift == 0 ? low[r] : (low[r] >> shift) | (high[r] << (64 - shift));
            const uint64_t fresh = masks[r] & ~window;
            if (fresh == 0)
                continue;
            low[r] |= fresh << shift;
            if (shift != 0)
                high[r] |= fresh >> (64 - shift);
            // Only decided columns lie outside the target: the fresh ones are inside.
            CopyBits(fresh, out, source);
            if (noted)
                SetBits(fresh, noted, p.Owner);
        }
        return true;
    };
    // The copies in a column: a copy hidden by those laid after it needs no test of its rows;
    // every copy noted covers its rows for the ones before it.
    const int32_t run = laid_.empty() ? 0 : masks_[0].ColumnRun;
    const auto inside = [&](const StampPlacement& p, int32_t& c, int32_t& r) {
        const int64_t column = int64_t{p.X} - bounds.Left, row = int64_t{p.Y} - bounds.Top;
        c = static_cast<int32_t>(column);
        r = static_cast<int32_t>(row);
        return run > 0 && column >= 0 && column < width && row >= 0 && row < height;
    };
    size_t hidden = 0, idle = 0;
    // Topmost first: a pixel belongs to the last copy that paints it.
    if (siftColumns_ && run > 0) {
        // Where the copies hid one another in their columns last time, as along a curve, they
        // are sifted in a pass of their own, without a branch to mispredict. A hidden copy is
        // noted too: its pixels are all decided by then.
        order_.resize(placements.size());
        size_t sifted = 0;
        for (size_t k = placements.size(); k-- > 0;) {
            int32_t c, r;
            order_[sifted] = static_cast<uint32_t>(k);
            if (inside(placements[k], c, r)) {
                const bool covered = Covered(c, r, run);
                NoteLaid(c, r);
                sifted += covered ? 0 : 1;
            } else {
                ++sifted;
            }
        }
        hidden = placements.size() - sifted;
        for (size_t i = 0; i < sifted; ++i)
            lay(placements[order_[i]]);
    } else {
        for (size_t k = placements.size(); k-- > 0;) {
            const StampPlacement& p = placements[k];
            if (int32_t c, r; inside(p, c, r)) {
                if (Covered(c, r, run)) {
                    ++hidden;
                    continue;
                }
                NoteLaid(c, r);
            }
            idle += lay(p) ? 0 : 1;
        }
    }
    siftColumns_ = hidden * 4 >= placements.size() && hidden > 0;
    // Tested, the columns go on being tested while they hide a quarter or more; untested,
    // they are tested again once half or more of the copies turned out hidden.
    if (run > 0)
        testColumns_ = siftColumns_;
    else if (stamps.size() == 1 && masks_[0].ColumnRun > 0)
        testColumns_ = idle * 2 >= placements.size() && idle > 0;
}

void StampPainter::FillUndecided(Bitmap& target, const Rect& bounds, const Bitmap* background,
                                 int32_t* owners) {
    const ptrdiff_t stride = target.Width();
    for (int32_t y = bounds.Top; y < bounds.Bottom; ++y) {
        const size_t r = static_cast<size_t>(y - bounds.Top);
        Pixel* out = target.Row(y);
        const Pixel* in = background ? background->Row(y) : nullptr;
        for (size_t w = 0; w + 2 < blocks_; ++w) {
            const int32_t base = bounds.Left + static_cast<int32_t>(w * 64);
            uint64_t open = ~Block(w + 1)[r];
            while (open != 0) {
                const int from = std::countr_zero(open);
                const int run = std::countr_one(open >> from);
                if (in)
                    std::copy(in + base + from, in + base + from + run, out + base + from);
                if (owners)
                    std::fill_n(owners + y * stride + base + from, run, kNoOwner);
                open = run + from == 64 ? 0 : open & (~uint64_t{0} << (from + run));
            }
        }
    }
}

namespace {

// A copy left the pixel: what shows there is to be found below it.
constexpr int32_t Vacated(int32_t owner) {
    return -2 - owner;
}
constexpr bool IsVacated(int32_t value) {
    return value <= -2;
}
constexpr int32_t LeftBy(int32_t value) {
    return -2 - value;
}

// Whether a copy of the owner painting the pixel lies over what the map notes there.
bool Above(int32_t owner, int32_t noted) {
    if (noted == kNoOwner)
        return true;
    return IsVacated(noted) ? LeftBy(noted) < owner : noted < owner;
}

// What a copy's move did in a row of up to 64 pixels: the pixels it came to and those it
// left, bit i for the row's pixel i.
struct RowMove {
    uint64_t Came = 0;
    uint64_t Went = 0;
};

// A copy of owner `owner` moves in a row: it paints the pixels of `now` (from `source`)
// where it lies over what the owners note there, and leaves those of `gone` it showed. The
// target's pixels are not read, which would cost as much again. Each owner of 0 or more
// that loses a pixel to it has its count (at counts[o - base]) lowered; `gained` counts what the
// copy took.
struct PlainRow {
    static RowMove Move(Pixel* out, int32_t* noted, uint64_t now, uint64_t gone,
                        const Pixel* source, int32_t owner, int32_t* counts, int32_t base,
                        int32_t& gained) {
        RowMove result;
        for (uint64_t bits = now; bits != 0; bits &= bits - 1) {
            const int i = std::countr_zero(bits);
            const int32_t o = noted[i];
            if (o != owner) {
                if (!Above(owner, o))
                    continue;
                if (o >= 0)
                    --counts[o - base];
                ++gained;
                noted[i] = owner;
            }
            out[i] = source[i];
            result.Came |= uint64_t{1} << i;
        }
        for (uint64_t bits = gone; bits != 0; bits &= bits - 1) {
            const int i = std::countr_zero(bits);
            if (noted[i] != owner)
                continue;
            noted[i] = Vacated(owner);
            result.Went |= uint64_t{1} << i;
        }
        return result;
    }
};

// The same sixteen pixels at a time. Lanes outside the masks are neither read nor written.
struct WideRow {
    [[gnu::target("avx512f")]] static RowMove Move(Pixel* out, int32_t* noted, uint64_t now,
                                                   uint64_t gone, const Pixel* source,
                                                   int32_t owner, int32_t* counts, int32_t base,
                                                   int32_t& gained) {
        RowMove result;
        const __m512i self = _mm512_set1_epi32(owner);
        const __m512i vacatedBelow = _mm512_set1_epi32(Vacated(owner));
        for (int j = 0; j < 64 && ((now | gone) >> j) != 0; j += 16) {
            const auto n = static_cast<__mmask16>(now >> j);
            const auto g = static_cast<__mmask16>(gone >> j);
            if ((n | g) == 0)
                continue;
            const __m512i o = _mm512_maskz_loadu_epi32(n | g, noted + j);
            const __mmask16 mine = _mm512_cmpeq_epi32_mask(o, self);
            if (n != 0) {
                // Under the copy: none, an owner below it, or a pixel one below it left.
                const __mmask16 below = _mm512_cmpeq_epi32_mask(o, _mm512_set1_epi32(kNoOwner)) |
                                        (_mm512_cmpge_epi32_mask(o, _mm512_setzero_si512()) &
                                         _mm512_cmplt_epi32_mask(o, self)) |
                                        (_mm512_cmple_epi32_mask(o, _mm512_set1_epi32(-2)) &
                                         _mm512_cmpgt_epi32_mask(o, vacatedBelow));
                const __mmask16 take = n & below & ~mine;
                const __mmask16 paint = n & (take | mine);
                if (paint != 0) {
                    _mm512_mask_storeu_epi32(out + j, paint,
                                             _mm512_maskz_loadu_epi32(paint, source + j));
                    result.Came |= uint64_t{paint} << j;
                }
                if (take != 0) {
                    _mm512_mask_storeu_epi32(noted + j, take, self);
                    gained += std::popcount(unsigned{take});
                    const __mmask16 owned =
                        take & _mm512_cmpge_epi32_mask(o, _mm512_setzero_si512());
                    if (owned != 0) {
                        // Mostly the pixels of one copy: its count lowered at once.
                        const int32_t first =
                            _mm512_cvtsi512_si32(_mm512_maskz_compress_epi32(owned, o));
                        const __mmask16 same =
                            owned & _mm512_cmpeq_epi32_mask(o, _mm512_set1_epi32(first));
                        counts[first - base] -= std::popcount(unsigned{same});
                        if (const __mmask16 rest = owned & ~same; rest != 0) {
                            alignas(64) int32_t lanes[16];
                            _mm512_store_si512(lanes, o);
                            for (unsigned bits = rest; bits != 0; bits &= bits - 1)
                                --counts[lanes[std::countr_zero(bits)] - base];
                        }
                    }
                }
            }
            const __mmask16 left = g & mine;
            if (left != 0) {
                _mm512_mask_storeu_epi32(noted + j, left, vacatedBelow);
                result.Went |= uint64_t{left} << j;
            }
        }
        return result;
    }
};

// Where a move's copy lay and lies in the target: the stamp's box, empty without one.
Rect BoxOf(std::span<const Stamp> stamps, bool is, uint32_t stamp, int32_t x, int32_t y) {
    if (!is || stamp >= stamps.size())
        return {};
    const Stamp& s = stamps[stamp];
    return {x + s.Left, y + s.Top, x + s.Left + s.Width, y + s.Top + s.Height};
}

// The rows of a stamp's masks in the target, lined up with column `from`: none without one.
class StampRows {
public:
    StampRows(const Stamp* s, const Rect& box, int32_t from) {
        const int32_t offset = box.Left - from;
        if (!s || offset >= 64 || offset <= -64)
            return;
        rows_ = s->Rows.data() - box.Top;
        top_ = box.Top;
        bottom_ = box.Bottom;
        left_ = offset >= 0 ? offset : 0;
        right_ = offset < 0 ? -offset : 0;
    }
    uint64_t At(int32_t y) const {
        return y >= top_ && y < bottom_ ? (rows_[y] << left_) >> right_ : 0;
    }

private:
    const uint64_t* rows_ = nullptr;
    int32_t top_ = 0, bottom_ = 0;
    int left_ = 0, right_ = 0;
};

// The bits of the columns [a, b) among the 64 from `from` on (before `to`).
inline uint64_t ColumnBits(int32_t a, int32_t b, int32_t from, int32_t to) {
    a = std::max(a, from);
    b = std::min(b, to);
    if (a >= b)
        return 0;
    const int32_t n = b - a;
    return (n == 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1) << (a - from);
}

// The bits of the columns [from, to) of row y that the clip lets through (to - from <= 64).
inline uint64_t ClipBits(const Region& clip, int32_t y, int32_t from, int32_t to) {
    if (int32_t a, b; clip.OneSpan(y, a, b))
        return ColumnBits(a, b, from, to);
    uint64_t inside = 0;
    clip.ForEachSpan(y, from, to,
                     [&](int32_t a, int32_t b) { inside |= ColumnBits(a, b, from, to); });
    return inside;
}

// A group of the pixels left: those the copy of `Under` left, from First on in the list.
struct LeftGroup {
    int32_t Under = 0;
    size_t First = 0;
};

// The pixels a copy of a stamp comes to when it moves by (DX, DY), outside where it was:
// for each row of the stamp that has some, the row and their bits, lined up with the
// stamp's first column.
struct StampEdge {
    uint32_t Stamp = 0;
    int32_t DX = 0, DY = 0;
    std::vector<std::pair<int32_t, uint64_t>> Rows;
};

// The edge of a move, as the last moves of the same stamp by the same step found it.
const StampEdge& EdgeOf(std::vector<StampEdge>& edges, const Stamp& s, uint32_t stamp, int32_t dx,
                        int32_t dy) {
    for (const StampEdge& e : edges) {
        if (e.Stamp == stamp && e.DX == dx && e.DY == dy)
            return e;
    }
    StampEdge& e = edges.emplace_back();
    e.Stamp = stamp;
    e.DX = dx;
    e.DY = dy;
    for (int32_t r = 0; r < s.Height; ++r) {
        // Row r of the copy where it lies now was row r + dy of the copy where it lay, its
        // columns dx to the right.
        const int32_t was = r + dy;
        uint64_t before = 0;
        if (was >= 0 && was < s.Height) {
            const uint64_t bits = s.Rows[static_cast<size_t>(was)];
            before = dx >= 0 ? bits >> dx : bits << -dx;
        }
        if (const uint64_t bits = s.Rows[static_cast<size_t>(r)] & ~before; bits != 0)
            e.Rows.emplace_back(r, bits);
    }
    return e;
}

struct MoveState {
    Bitmap& Target;
    int32_t* Owners;
    OwnerCounts& Counts;
    const Region& Clip;
    std::span<const Stamp> Stamps;
    std::vector<Rect>& Changed;
    std::vector<Point>& Left;
    std::vector<LeftGroup>& Groups;
    std::vector<StampEdge> Edges;
};

// Makes the moves in the target and the owners, noting the pixels left.
template <class Row>
[[gnu::always_inline]] inline void MoveAll(MoveState& st, std::span<const StampMove> moves) {
    const int32_t width = st.Target.Width();
    const Rect all{0, 0, width, st.Target.Height()};
    const Rect bounds = st.Clip.Bounds().Intersect(all);
    for (const StampMove& m : moves) {
        const Rect box0 = BoxOf(st.Stamps, m.Was, m.Stamp0, m.X0, m.Y0);
        const Rect box1 = BoxOf(st.Stamps, m.Is, m.Stamp1, m.X1, m.Y1);
        const Rect box = box0.Union(box1).Intersect(bounds);
        if (box.IsEmpty())
            continue;
        const Stamp* before = box0.IsEmpty() ? nullptr : &st.Stamps[m.Stamp0];
        const Stamp* after = box1.IsEmpty() ? nullptr : &st.Stamps[m.Stamp1];
        // Made room for first: the owners the map notes have theirs.
        int32_t& count = st.Counts.At(m.Owner);
        int32_t* counts = st.Counts.Counts.data();
        // Where the copy lay, it was the topmost or under ones whose moves are still to
        // come: a copy that showed nothing there can only show where it was not.
        const bool showed = before && count > 0;
        int32_t gained = 0;
        if (before && after && !showed && m.Stamp0 == m.Stamp1 &&
            std::abs(int64_t{m.X1} - m.X0) < 64 && std::abs(int64_t{m.Y1} - m.Y0) < 64 &&
            box1.Left >= bounds.Left && box1.Right <= bounds.Right) {
            // A copy that showed nothing moved a little: only the edge it came to can show,
            // its rows found once for each step.
            const StampEdge& edge = EdgeOf(st.Edges, *after, m.Stamp1, m.X1 - m.X0, m.Y1 - m.Y0);
            Rect came{};
            for (const auto& [r, bits] : edge.Rows) {
                const int32_t y = box1.Top + r;
                if (y < bounds.Top || y >= bounds.Bottom)
                    continue;
                const uint64_t now = bits & ClipBits(st.Clip, y, box1.Left, box1.Right);
                if (now == 0)
                    continue;
                const ptrdiff_t at = static_cast<ptrdiff_t>(y) * width + box1.Left;
                const RowMove moved =
                    PlainRow::Move(st.Target.Data() + at, st.Owners + at, now, 0,
                                   after->Pixels.data() + static_cast<ptrdiff_t>(r) * after->Width,
                                   m.Owner, counts, st.Counts.Base, gained);
                if (moved.Came != 0)
                    came = came.Union({box1.Left + std::countr_zero(moved.Came), y,
                                       box1.Left + 64 - std::countl_zero(moved.Came), y + 1});
            }
            count += gained;
            if (!came.IsEmpty())
                st.Changed.push_back(came);
            continue;
        }
        const size_t leftBefore = st.Left.size();
        // Apart, for a copy that went far: where it came and where it left.
        Rect came{}, went{};
        // The box may be wider than a row mask when the copy went far: 64 columns at a time.
        for (int32_t from = box.Left; from < box.Right; from += 64) {
            const int32_t to = std::min(box.Right, from + 64);
            // The stamp's pixels of a row, lined up with the pixels from `from` on: only those
            // painted are read.
            const ptrdiff_t shift = after ? from - box1.Left : 0;
            const StampRows now0(after, box1, from), was0(before, box0, from);
            uint64_t cameBits = 0, wentBits = 0;
            int32_t cameTop = box.Bottom, cameBottom = box.Top, wentTop = box.Bottom,
                    wentBottom = box.Top;
            for (int32_t y = box.Top; y < box.Bottom; ++y) {
                uint64_t now = now0.At(y);
                const uint64_t was = was0.At(y);
                uint64_t gone = showed ? was & ~now : 0;
                if (!showed)
                    now &= ~was;
                if ((now | gone) == 0)
                    continue;
                const uint64_t inside = ClipBits(st.Clip, y, from, to);
                now &= inside;
                gone &= inside;
                if ((now | gone) == 0)
                    continue;
                const Pixel* source =
                    now != 0 ? after->Pixels.data() +
                                   (static_cast<ptrdiff_t>(y - box1.Top) * after->Width + shift)
                             : nullptr;
                const ptrdiff_t at = static_cast<ptrdiff_t>(y) * width + from;
                // The whole row at once also when it holds a few pixels: a choice by their
                // number goes wrong as often as right, and costs more than it saves.
                const RowMove moved = Row::Move(st.Target.Data() + at, st.Owners + at, now, gone,
                                                source, m.Owner, counts, st.Counts.Base, gained);
                if (moved.Came != 0) {
                    cameBits |= moved.Came;
                    cameTop = std::min(cameTop, y);
                    cameBottom = y + 1;
                }
                if (moved.Went != 0) {
                    wentBits |= moved.Went;
                    wentTop = std::min(wentTop, y);
                    wentBottom = y + 1;
                    gained -= std::popcount(moved.Went);
                    for (uint64_t bits = moved.Went; bits != 0; bits &= bits - 1)
                        st.Left.push_back({from + std::countr_zero(bits), y});
                }
            }
            const auto span = [&](uint64_t bits, int32_t top, int32_t bottom) -> Rect {
                if (bits == 0)
                    return {};
                return {from + std::countr_zero(bits), top, from + 64 - std::countl_zero(bits),
                        bottom};
            };
            came = came.Union(span(cameBits, cameTop, cameBottom));
            went = went.Union(span(wentBits, wentTop, wentBottom));
        }
        count += gained;
        for (const Rect& r : {came, went}) {
            if (!r.IsEmpty())
                st.Changed.push_back(r);
        }
        if (st.Left.size() != leftBefore)
            st.Groups.push_back({m.Owner, leftBefore});
    }
}

[[gnu::target("avx512f")]] void MoveAllWide(MoveState& st, std::span<const StampMove> moves) {
    MoveAll<WideRow>(st, moves);
}

void MoveAllPlain(MoveState& st, std::span<const StampMove> moves) {
    MoveAll<PlainRow>(st, moves);
}

} // namespace

void OwnerCounts::Recount(const int32_t* owners, int32_t width, int32_t height,
                          const Region& clip) {
    Counts.assign(Counts.size(), 0);
    const Rect b = clip.Bounds().Intersect({0, 0, width, height});
    for (int32_t y = b.Top; y < b.Bottom; ++y) {
        const int32_t* row = owners + static_cast<ptrdiff_t>(y) * width;
        clip.ForEachSpan(y, b.Left, b.Right, [&](int32_t a, int32_t e) {
            // Runs of one owner are common: counted at once.
            for (int32_t x = a; x < e;) {
                const int32_t o = row[x];
                int32_t run = x + 1;
                while (run < e && row[run] == o)
                    ++run;
                if (o >= 0)
                    At(o) += run - x;
                x = run;
            }
        });
    }
    Known = true;
}

int32_t& OwnerCounts::At(int32_t owner) {
    const int64_t at = int64_t{owner} - Base;
    if (at >= 0 && at < static_cast<int64_t>(Counts.size()))
        return Counts[static_cast<size_t>(at)];
    // Room for this owner and as many more on the side it grew on.
    if (Counts.empty()) {
        Base = owner;
        Counts.assign(1, 0);
        return Counts[0];
    }
    if (at < 0) {
        const int64_t more = std::max<int64_t>(-at, static_cast<int64_t>(Counts.size()));
        const int64_t base = std::max<int64_t>(INT32_MIN, int64_t{Base} - more);
        Counts.insert(Counts.begin(), static_cast<size_t>(Base - base), 0);
        Base = static_cast<int32_t>(base);
    } else {
        Counts.resize(
            static_cast<size_t>(std::max<int64_t>(at + 1, 2 * static_cast<int64_t>(Counts.size()))),
            0);
    }
    return Counts[static_cast<size_t>(int64_t{owner} - Base)];
}

namespace {

// The background's pixels where no copy shows, the copies' where one does.
void KeepShown(Pixel* __restrict out, const Pixel* __restrict in, const int32_t* __restrict noted,
               int32_t n) {
    // Every pixel stored, as a mask picks: a loop the compiler makes wide.
    for (int32_t i = 0; i < n; ++i) {
        const Pixel none = noted[i] == kNoOwner ? ~Pixel{0} : 0;
        out[i] = (in[i] & none) | (out[i] & ~none);
    }
}

} // namespace

void MoveStamps(Bitmap& target, int32_t* owners, OwnerCounts& counts, const Region& clip,
                const Bitmap& background, std::span<const Stamp> stamps,
                std::span<const StampMove> moves, std::span<const Rect> ground,
                const StampFinder& find, std::vector<Rect>& changed, bool wide) {
    const int32_t width = target.Width(), height = target.Height();
    const Rect all{0, 0, width, height};
    if (!counts.Known)
        counts.Recount(owners, width, height, clip);
    std::vector<Point> left;
    std::vector<LeftGroup> groups;
    MoveState state{target, owners, counts, clip, stamps, changed, left, groups, {}};
    if (wide)
        MoveAllWide(state, moves);
    else
        MoveAllPlain(state, moves);
    // What shows where copies left and none of the moves came, a copy's pixels at once.
    std::vector<LeftPixel> pixels;
    for (size_t g = 0; g < groups.size(); ++g) {
        const LeftGroup& group = groups[g];
        const size_t end = g + 1 < groups.size() ? groups[g + 1].First : left.size();
        pixels.clear();
        Rect box{};
        for (size_t i = group.First; i < end; ++i) {
            // A later move may have come there.
            const auto [x, y] = left[i];
            if (owners[static_cast<ptrdiff_t>(y) * width + x] != Vacated(group.Under))
                continue;
            pixels.push_back({x, y, kNoOwner, 0});
            box = box.Union({x, y, x + 1, y + 1});
        }
        if (pixels.empty())
            continue;
        if (find)
            find(group.Under, box, pixels);
        for (const LeftPixel& p : pixels) {
            const ptrdiff_t at = static_cast<ptrdiff_t>(p.Y) * width + p.X;
            if (p.Owner >= 0) {
                ++counts.At(p.Owner);
                owners[at] = p.Owner;
                target.Row(p.Y)[p.X] = p.Shown;
            } else {
                owners[at] = kNoOwner;
                target.Row(p.Y)[p.X] = background.Row(p.Y)[p.X];
            }
        }
    }
    // The new background where no copy shows.
    for (const Rect& given : ground) {
        const Rect r = given.Normalized().Intersect(all);
        for (int32_t y = r.Top; y < r.Bottom; ++y) {
            Pixel* out = target.Row(y);
            const Pixel* in = background.Row(y);
            const int32_t* noted = owners + static_cast<ptrdiff_t>(y) * width;
            int32_t x = r.Left;
            // Outside the clip no copy shows: the background whole.
            const auto inside = [&](int32_t a, int32_t b) {
                a = std::max(a, r.Left);
                b = std::min(b, r.Right);
                if (a >= b)
                    return;
                std::copy(in + x, in + a, out + x);
                KeepShown(out + a, in + a, noted + a, b - a);
                x = b;
            };
            if (int32_t a, b; clip.OneSpan(y, a, b))
                inside(a, b);
            else
                clip.ForEachSpan(y, r.Left, r.Right, inside);
            std::copy(in + x, in + r.Right, out + x);
        }
        if (!r.IsEmpty())
            changed.push_back(r);
    }
}

bool StampPainter::WideStoresSupported() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f");
}

} // namespace vemora::gfx
