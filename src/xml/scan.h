#pragma once
// Byte skipping for the scanners: finds the next byte that needs a decision, sixteen bytes at a
// time where the processor allows it.
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillon::xml {

// The first index in [i, n) whose byte is A, B or C or is 0x80 or above; n when there is none.
template <unsigned char A, unsigned char B, unsigned char C>
inline std::size_t FindSpecial(const unsigned char* s, std::size_t i, std::size_t n) {
#if defined(__SSE2__)
    const __m128i a = _mm_set1_epi8(static_cast<char>(A));
    const __m128i b = _mm_set1_epi8(static_cast<char>(B));
    const __m128i c = _mm_set1_epi8(static_cast<char>(C));
    while (i + 16 <= n) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, a), _mm_cmpeq_epi8(v, b)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, c), v));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
        i += 16;
    }
#endif
    while (i < n) {
        const unsigned char x = s[i];
        if (x == A || x == B || x == C || x >= 0x80) return i;
        ++i;
    }
    return n;
}

}  // namespace quillon::xml
