// Comment removal. The input is read character by character (a lead byte with the byte after
// it); a '<' reads the next characters ahead to see whether "<!--" opens a comment, and those
// look-ahead characters are never read again. Reading every byte that way is slow, so the copy
// works in bulk: it searches for the bytes "<!--" and decides for each find whether the reader
// would have met its '<' as a fresh character, by replaying only the run of '<', '!' and '-'
// right before it.
//
// The output may be the input itself: it never runs ahead of the input, so moving each run
// between comments toward the front is enough. That road stores nothing while it searches, since
// the search reads back over bytes before the find (lead-byte pairing, the markup run before a
// '<') that an early store would already have overwritten.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "runtime/text.h"
#include "xml/grammar.h"
#include "xml/parser.h"
#include "xml/scan.h"

namespace quillon::xml {

namespace {

// Where the reader stands after a run of markup bytes: plain, or inside a look-ahead after '<',
// "<!" or "<!-".
enum Pending : int { kPlain = 0, kAfterLt, kAfterBang, kAfterDash };

// The next "<!--" at or after `i`, or n.
std::size_t FindCommentOpen(const unsigned char* s, std::size_t i, std::size_t n) {
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<'), bang = _mm_set1_epi8('!');
    while (i + 19 <= n) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 1));
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(next, bang))));
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (s[at + 2] == '-' && s[at + 3] == '-') return at;
            mask &= mask - 1;
        }
        i += 16;
    }
#endif
    for (; i + 4 <= n; ++i) {
        if (s[i] == '<' && s[i + 1] == '!' && s[i + 2] == '-' && s[i + 3] == '-') return i;
    }
    return n;
}

#if defined(__SSE2__)
// One bit per byte of the 64 bytes a, b, c, d that equals `bang`.
std::uint64_t BangMask(__m128i a, __m128i b, __m128i c, __m128i d, __m128i bang) {
    const auto bits = [&](__m128i v) {
        return static_cast<std::uint64_t>(
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, bang))));
    };
    return bits(a) | bits(b) << 16 | bits(c) << 32 | bits(d) << 48;
}
#endif

template <bool InPlace>
class Stripper {
  public:
    Stripper(const unsigned char* in, std::size_t n, unsigned char filler, unsigned char* out,
             CommentMap* map)
        : in_(in), n_(n), filler_(filler), out_(out), map_(map) {}

    std::size_t run() {
        std::size_t from = 0;
        for (;;) {
            const std::size_t at = findAndCopy(from);
            if (at >= n_) break;
            copy(at);
            bool closed = false;
            sync_ = stored_ = skipComment(at + 4, closed);
            if (map_ != nullptr) note(at, closed);
            from = sync_;
        }
        // A character that the reader still expected at the end is stood in for by the filler.
        const bool expecting = LeadRun(in_, sync_, n_) % 2 == 1 || pendingAt(n_) != kPlain;
        copy(n_);
        if (expecting) out_[w_++] = filler_;
        return w_;
    }

  private:
    // Records the comment that opened at `at` and ended just before sync_.
    void note(std::size_t at, bool closed) {
        removed_ += sync_ - at;
        map_->cuts.push_back(
            {static_cast<std::uint32_t>(w_), static_cast<std::uint32_t>(removed_)});
        if (!closed) map_->unclosed = at;
    }
    // Moves the output on to input position `to`, copying what the search did not store yet.
    void copy(std::size_t to) {
        if constexpr (InPlace) {
            if (w_ != sync_) std::memmove(out_ + w_, in_ + sync_, to - sync_);
        } else {
            const std::size_t from = std::max(sync_, std::min(stored_, to));
            std::memcpy(out_ + w_ + (from - sync_), in_ + from, to - from);
        }
        w_ += to - sync_;
        sync_ = to;
    }
    // The next "<!--" at or after `i` that opens a comment (or n), storing the blocks it reads
    // into the output at the places they go as long as no further comment is removed; stored_
    // records how far.
    std::size_t findAndCopy(std::size_t i) {
#if defined(__SSE2__)
        const std::size_t start = i;
        // Sixteen bytes at a time would spend more on the search than on the copy, so blocks of
        // 64 are copied and searched for '!', which is rare in text; each '!' found is checked
        // for the '<' before it and the two dashes after it.
        const __m128i bang = _mm_set1_epi8('!');
        while (i + 66 <= n_) {
            const __m128i* from = reinterpret_cast<const __m128i*>(in_ + i);
            const __m128i a = _mm_loadu_si128(from), b = _mm_loadu_si128(from + 1);
            const __m128i c = _mm_loadu_si128(from + 2), d = _mm_loadu_si128(from + 3);
            if constexpr (!InPlace) {
                __m128i* to = reinterpret_cast<__m128i*>(out_ + w_ + (i - sync_));
                _mm_storeu_si128(to, a);
                _mm_storeu_si128(to + 1, b);
                _mm_storeu_si128(to + 2, c);
                _mm_storeu_si128(to + 3, d);
                stored_ = std::max(stored_, i + 64);
            }
            const __m128i any =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(a, bang), _mm_cmpeq_epi8(b, bang)),
                             _mm_or_si128(_mm_cmpeq_epi8(c, bang), _mm_cmpeq_epi8(d, bang)));
            if (_mm_movemask_epi8(any) != 0) {
                std::uint64_t marks = BangMask(a, b, c, d, bang);
                if (i == start) marks &= ~std::uint64_t(1);  // its '<' would stand before `start`
                for (; marks != 0; marks &= marks - 1) {
                    const std::size_t at = i + static_cast<std::size_t>(__builtin_ctzll(marks)) - 1;
                    if (in_[at] == '<' && in_[at + 2] == '-' && in_[at + 3] == '-' &&
                        opensComment(at)) {
                        return at;
                    }
                }
            }
            i += 64;
        }
        if (i != start) --i;  // a '<' just before the last block's end meets its '!' only here
        const __m128i lt = _mm_set1_epi8('<');
        while (i + 19 <= n_) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in_ + i));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in_ + i + 1));
            if constexpr (!InPlace) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out_ + w_ + (i - sync_)), v);
                stored_ = std::max(stored_, i + 16);
            }
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(next, bang))));
            while (mask != 0) {
                const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
                if (in_[at + 2] == '-' && in_[at + 3] == '-' && opensComment(at)) return at;
                mask &= mask - 1;
            }
            i += 16;
        }
#endif
        for (;; ++i) {
            i = FindCommentOpen(in_, i, n_);
            if (i >= n_ || opensComment(i)) return i;
        }
    }
    // The reader's state just before `p`, a character boundary. The reader is replayed from
    // the last character it read afresh (cursor_), a look-ahead group at a time; across a long gap
    // only the run of markup bytes before `p` matters, found by a walk back that stops at cursor_
    // too. So each byte is looked at a bounded number of times however many openers a run holds
    // ("<!<!--" repeated holds one every six bytes, none of which opens a comment).
    Pending pendingAt(std::size_t p) {
        if (cursor_ < sync_ || cursor_ > p) cursor_ = sync_;  // the reader is plain after a comment
        if (p - cursor_ > 64) {
            std::size_t b = p;
            while (b > cursor_ && Is(in_[b - 1], kCommentMark)) --b;
            // Another byte stands before the run: the run is read afresh from its start, or from
            // its second byte when its first is taken by a lead byte.
            if (b > cursor_) cursor_ = b + (LeadRun(in_, sync_, b) % 2);
        }
        std::size_t f = cursor_;
        Pending state = kPlain;
        while (f < p) {
            if (in_[f] != '<') {
                f += width(f);
            } else if (f + 1 == p) {
                state = kAfterLt;
                break;
            } else if (in_[f + 1] != '!') {
                f += 1 + width(f + 1);
            } else if (f + 2 == p) {
                state = kAfterBang;
                break;
            } else if (in_[f + 2] != '-') {
                f += 2 + width(f + 2);
            } else if (f + 3 == p) {
                state = kAfterDash;
                break;
            } else {
                f += 3 + width(f + 3);  // not '-': "<!--" would have opened a comment, met earlier
            }
        }
        cursor_ = f;
        return state;
    }
    // The bytes of the character at `at`: a lead byte takes the byte after it.
    std::size_t width(std::size_t at) const {
        return isLeadByte(in_[at]) ? 2 : 1;
    }
    bool opensComment(std::size_t at) {
        return LeadRun(in_, sync_, at) % 2 == 0 && pendingAt(at) == kPlain;
    }
    // The character after `r` (past a lead byte's partner), at most the end.
    std::size_t after(std::size_t r) const {
        return std::min(n_, r + (isLeadByte(in_[r]) ? 2 : 1));
    }
    // Reads from `r`, a character boundary, to just past the end marker (a fresh '-', then '-',
    // then '>'), or to the end. The dashes are searched for; one found is a character of its own
    // unless an odd run of lead bytes stands before it.
    std::size_t skipComment(std::size_t r, bool& closed) const {
        for (;;) {
            const void* found = std::memchr(in_ + r, '-', n_ - r);
            if (found == nullptr) return n_;
            const auto dash =
                static_cast<std::size_t>(static_cast<const unsigned char*>(found) - in_);
            if (LeadRun(in_, r, dash) % 2 == 1) {  // the second byte of a character
                r = dash + 1;
                continue;
            }
            r = dash + 1;
            if (r >= n_) return n_;
            if (in_[r] != '-') {
                r = after(r);
                continue;
            }
            if (++r >= n_) return n_;
            const bool closes = in_[r] == '>';
            r = after(r);
            if (closes) {
                closed = true;
                return r;
            }
        }
    }

    const unsigned char* in_;
    std::size_t n_;
    unsigned char filler_;
    unsigned char* out_;
    std::size_t w_ = 0;
    std::size_t sync_ = 0;    // a character boundary; input before it is done with
    std::size_t stored_ = 0;  // input up to here is already in the output (from sync_ on)
    std::size_t cursor_ = 0;  // a character that the reader reads afresh
    CommentMap* map_;
    std::size_t removed_ = 0;
};

}  // namespace

std::size_t StripComments(const unsigned char* in, std::size_t n, unsigned char filler,
                          unsigned char* out, CommentMap* map) {
    if (out == in) return Stripper<true>(in, n, filler, out, map).run();
    return Stripper<false>(in, n, filler, out, map).run();
}

std::size_t CommentMap::toInput(std::size_t working) const {
    const auto after = std::upper_bound(cuts.begin(), cuts.end(), working,
                                        [](std::size_t w, const Cut& c) { return w < c.output; });
    return after == cuts.begin() ? working : working + std::prev(after)->removed;
}

}  // namespace quillon::xml
