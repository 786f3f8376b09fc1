#pragma once
// Byte skipping for the scanners: finds the next byte that needs a decision, sixteen bytes at a
// time where the processor allows it.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillon::xml {

// The first index in [i, n) whose byte is A, B or C; n when there is none.
template <unsigned char A, unsigned char B, unsigned char C>
inline std::size_t FindAny(const unsigned char* s, std::size_t i, std::size_t n) {
#if defined(__SSE2__)
    const __m128i a = _mm_set1_epi8(static_cast<char>(A));
    const __m128i b = _mm_set1_epi8(static_cast<char>(B));
    const __m128i c = _mm_set1_epi8(static_cast<char>(C));
    while (i + 16 <= n) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, a), _mm_cmpeq_epi8(v, b)),
                                         _mm_cmpeq_epi8(v, c));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
        i += 16;
    }
#endif
    while (i < n) {
        const unsigned char x = s[i];
        if (x == A || x == B || x == C) return i;
        ++i;
    }
    return n;
}

// The first index in [i, n) whose byte is '"', '<', '>', zero, or 0x80 and above (lead bytes and
// 0x80, which the caller tells apart); n when none.
inline std::size_t FindTagByte(const unsigned char* s, std::size_t i, std::size_t n) {
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"'), lt = _mm_set1_epi8('<'), gt = _mm_set1_epi8('>');
    const __m128i zero = _mm_setzero_si128();
    while (i + 16 <= n) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i hit = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, lt)),
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, gt), _mm_cmpeq_epi8(v, zero)), v));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
        i += 16;
    }
#endif
    for (; i < n; ++i) {
        const unsigned char x = s[i];
        if (x == '"' || x == '<' || x == '>' || x == 0 || x >= 0x80) return i;
    }
    return n;
}

// How many bytes above 0x80 stand directly before `k`, counting back no further than `from`.
// With `from` on a character boundary, an odd count means the byte at `k` is the second byte of
// a two-byte character.
inline std::size_t LeadRun(const unsigned char* s, std::size_t from, std::size_t k) {
    if (k == from || !isLeadByte(s[k - 1])) return 0;  // the usual case: no run at all
    std::size_t j = k;
#if defined(__SSE2__)
    // Sixteen bytes at a time: a byte counts when its high bit is set and it is not 0x80.
    const __m128i x80 = _mm_set1_epi8(static_cast<char>(0x80));
    while (j >= from + 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j - 16));
        const unsigned counted = static_cast<unsigned>(_mm_movemask_epi8(v)) &
                                 ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, x80)));
        const unsigned other = ~counted & 0xFFFFu;
        if (other != 0) {  // the run ends inside this block, above its highest other byte
            const unsigned highest = 31u - static_cast<unsigned>(__builtin_clz(other));
            return k - j + (15u - highest);
        }
        j -= 16;
    }
#endif
    // Eight bytes at a time while all eight are above 0x80 (high bit set, none exactly 0x80).
    constexpr std::uint64_t kHigh = 0x8080808080808080ull, kOnes = 0x0101010101010101ull;
    while (j >= from + 8) {
        std::uint64_t w;
        std::memcpy(&w, s + j - 8, 8);
        const std::uint64_t flipped = w ^ kHigh;  // a byte of 0x80 becomes zero
        if ((w & kHigh) != kHigh || ((flipped - kOnes) & ~flipped & kHigh) != 0) break;
        j -= 8;
    }
    while (j > from && isLeadByte(s[j - 1])) --j;
    return k - j;
}

}  // namespace quillon::xml
