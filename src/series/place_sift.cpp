#include "series/place_sift.h"

#include <immintrin.h>

namespace vemora {

namespace {

TPlaceSift SiftPlain(const int32_t* xs, const int32_t* ys, const TPlaceWindow& w) {
    TPlaceSift r;
    for (uint32_t i = 0; i < 16; ++i) {
        r.Inside |= static_cast<uint32_t>(PlaceInside(xs[i], ys[i], w)) << i;
        r.Past |= static_cast<uint32_t>(PlacePast(xs[i], w)) << i;
    }
    return r;
}

[[gnu::target("avx512f")]] TPlaceSift SiftWide(const int32_t* xs, const int32_t* ys,
                                               const TPlaceWindow& w) {
    const __m512i beyond = _mm512_set1_epi64(w.Beyond), past = _mm512_set1_epi64(w.Past);
    const __m512i top = _mm512_set1_epi64(w.Top), bottom = _mm512_set1_epi64(w.Bottom);
    TPlaceSift r;
    for (int half = 0; half < 2; ++half) {
        // Widened first, so that the opposite of the lowest X is exact. The zero-masked
        // forms: the plain ones start from an undefined register.
        __m512i along = _mm512_maskz_cvtepi32_epi64(
            0xFF, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(xs + 8 * half)));
        if (w.Direction < 0)
            along = _mm512_sub_epi64(_mm512_setzero_si512(), along);
        const __m512i y = _mm512_maskz_cvtepi32_epi64(
            0xFF, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(ys + 8 * half)));
        const __mmask8 isPast = _mm512_cmple_epi64_mask(along, past);
        const __mmask8 inside =
            _mm512_cmplt_epi64_mask(along, beyond) & _mm512_cmpgt_epi64_mask(along, past) &
            _mm512_cmpgt_epi64_mask(y, top) & _mm512_cmplt_epi64_mask(y, bottom);
        r.Inside |= static_cast<uint32_t>(inside) << (8 * half);
        r.Past |= static_cast<uint32_t>(isPast) << (8 * half);
    }
    return r;
}

} // namespace

TPlaceSift SiftPlaces(const int32_t* xs, const int32_t* ys, const TPlaceWindow& window, bool wide) {
    return wide ? SiftWide(xs, ys, window) : SiftPlain(xs, ys, window);
}

} // namespace vemora
