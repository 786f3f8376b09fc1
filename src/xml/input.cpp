// Comment removal and the two input roads (byte set and file).
#include <cstdio>
#include <cstring>
#include <limits>

#include "xml/parser.h"
#include "xml/scan.h"

namespace quillon::xml {

namespace {

constexpr unsigned char kOpen[] = {'<', '!', '-', '-'};

// Stores offsets in 32 bits; leaves room for the "1" byte, the filler and bytes added later.
constexpr std::size_t kMaxInput = std::numeric_limits<std::uint32_t>::max() / 2;

// Set bits of a 16-bit mask (without relying on a population-count instruction).
inline std::size_t BitCount(unsigned x) {
    x = x - ((x >> 1) & 0x5555u);
    x = (x & 0x3333u) + ((x >> 2) & 0x3333u);
    x = (x + (x >> 4)) & 0x0F0Fu;
    return (x + (x >> 8)) & 0x1Fu;
}

struct Stripper {
    const unsigned char* in;
    std::size_t n;
    unsigned char filler;
    unsigned char* out;
    std::size_t r = 0;
    std::size_t w = 0;
    WorkingInput counts;

    // Copies one character: a lead byte with the byte after it (or the filler when it is missing).
    void copyChar() {
        const unsigned char c = in[r++];
        out[w++] = c;
        if (isLeadByte(c)) out[w++] = r < n ? in[r++] : filler;
    }
    // Reads one character inside a comment; -1 at the end of the input.
    int readChar() {
        if (r >= n) return -1;
        const unsigned char c = in[r];
        r = std::min(n, r + (isLeadByte(c) ? 2 : 1));
        return c;
    }
    // Skips to just past the comment's end marker, or to the end of the input.
    void skipComment() {
        for (;;) {
            int c = readChar();
            if (c != '-') {
                if (c < 0) return;
                continue;
            }
            c = readChar();
            if (c != '-') {
                if (c < 0) return;
                continue;
            }
            c = readChar();
            if (c == '>' || c < 0) return;
        }
    }
    // Copies bytes up to the next '<' (or the end), counting '=' on the way.
    void copyToNextLt() {
#if defined(__SSE2__)
        const __m128i lt = _mm_set1_epi8('<');
        const __m128i eq = _mm_set1_epi8('=');
        while (r + 16 <= n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + r));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + w), v);
            const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lt)));
            unsigned equals = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, eq)));
            if (mask != 0) {
                const unsigned at = static_cast<unsigned>(__builtin_ctz(mask));
                equals &= (1u << at) - 1;
                counts.equals += BitCount(equals);
                r += at;
                w += at;
                return;
            }
            if (equals != 0) counts.equals += BitCount(equals);
            r += 16;
            w += 16;
        }
#endif
        while (r < n && in[r] != '<') {
            counts.equals += in[r] == '=';
            out[w++] = in[r++];
        }
    }
    // After a '<' at `r`: a comment is skipped; otherwise the '<', the part of "<!--" that
    // matched, and the look-ahead character that did not (or the filler) are copied.
    void afterLt() {
        ++counts.tags;
        if (r + 1 < n && in[r + 1] == '/') ++counts.endTags;
        std::size_t k = 1;
        while (k < 4 && r + k < n && in[r + k] == kOpen[k]) ++k;
        if (k == 4) {
            r += 4;
            skipComment();
            return;
        }
        std::memcpy(out + w, in + r, k);
        w += k;
        r += k;
        if (r >= n) {
            out[w++] = filler;
        } else {
            copyChar();
        }
    }
    void run() {
        std::size_t from = 0;  // a character boundary at or before r
        for (;;) {
            copyToNextLt();
            if (r >= n) {
                if (LeadRun(in, from, n) % 2 == 1) out[w++] = filler;  // a lead byte ends the input
                break;
            }
            if (LeadRun(in, from, r) % 2 == 1) {  // this '<' is the second byte of a character
                out[w++] = in[r++];
            } else {
                afterLt();
            }
            from = r;
        }
        counts.length = w;
    }
};

std::unique_ptr<XmlDocument> Load(ByteView bytes, unsigned char filler) {
    if (bytes.empty() || bytes.size() > kMaxInput) return nullptr;
    auto doc = std::make_unique<XmlDocument>();
    doc->bytes.resize(bytes.size() + 2);
    auto* store = reinterpret_cast<unsigned char*>(doc->bytes.data());
    store[0] = '1';
    const WorkingInput input = StripComments(bytes.data(), bytes.size(), filler, store + 1);
    if (input.length == 0) return nullptr;
    doc->bytes.resize(1 + input.length);
    if (!ParseDocument(*doc, input)) return nullptr;
    return doc;
}

bool ReadFile(std::FILE* f, ByteSet& bytes) {
    std::size_t capacity = 1 << 16;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0) capacity = std::min(kMaxInput, static_cast<std::size_t>(size)) + 1;
        std::rewind(f);
    }
    for (;;) {
        const std::size_t length = bytes.size();
        if (length > kMaxInput) return false;
        bytes.resize(std::max(capacity, length + 1));
        const std::size_t got = std::fread(bytes.data() + length, 1, bytes.size() - length, f);
        if (got < bytes.size() - length) {
            bytes.resize(length + got);
            return !std::ferror(f);
        }
        capacity = bytes.size() * 2;
    }
}

}  // namespace

WorkingInput StripComments(const unsigned char* in, std::size_t n, unsigned char filler,
                           unsigned char* out) {
    Stripper s{in, n, filler, out, 0, 0, WorkingInput{}};
    s.run();
    return s.counts;
}

std::unique_ptr<XmlDocument> LoadBytes(ByteView bytes) {
    return Load(bytes, 0);
}

std::unique_ptr<XmlDocument> LoadFile(const std::string& fileName) {
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (f == nullptr) return nullptr;
    ByteSet bytes;
    const bool read = ReadFile(f, bytes);
    std::fclose(f);
    if (!read) return nullptr;
    return Load(bytes, 0xFF);  // a character read past the end of a file comes back as 0xFF
}

}  // namespace quillon::xml
