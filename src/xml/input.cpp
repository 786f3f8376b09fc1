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

struct Stripper {
    const unsigned char* in;
    std::size_t n;
    unsigned char filler;
    unsigned char* out;
    std::size_t r = 0;
    std::size_t w = 0;

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
    void run() {
        while (r < n) {
            const std::size_t plain = FindSpecial<'<', '<', '<'>(in, r, n);
            if (plain > r) {
                std::memmove(out + w, in + r, plain - r);
                w += plain - r;
                r = plain;
                if (r >= n) break;
            }
            if (in[r] != '<') {
                copyChar();
                continue;
            }
            std::size_t k = 1;  // bytes of "<!--" matched at r
            while (k < 4 && r + k < n && in[r + k] == kOpen[k]) ++k;
            if (k == 4) {
                r += 4;
                skipComment();
                continue;
            }
            // The matched part, then the look-ahead character that did not match.
            std::memmove(out + w, in + r, k);
            w += k;
            r += k;
            if (r >= n) {
                out[w++] = filler;
            } else {
                copyChar();
            }
        }
    }
};

std::unique_ptr<XmlDocument> ParseWorkingInput(std::unique_ptr<XmlDocument> doc,
                                               std::size_t length) {
    if (length == 0) return nullptr;
    doc->bytes.resize(1 + length);
    if (!ParseDocument(*doc)) return nullptr;
    return doc;
}

// Reads the whole file into `store` after one reserved byte, leaving one byte of room at the end.
bool ReadFile(std::FILE* f, ByteStore& store, std::size_t& length) {
    std::size_t capacity = 1 << 16;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0) capacity = static_cast<std::size_t>(size) + 1;
        std::rewind(f);
    }
    length = 0;
    for (;;) {
        if (length + 2 > kMaxInput) return false;
        store.resize(1 + length);  // keeps what was read when the store grows
        store.reserve(std::min(kMaxInput, 1 + capacity + 1));
        const std::size_t room = store.capacity() - 2 - length;
        const std::size_t got = std::fread(store.data() + 1 + length, 1, room, f);
        length += got;
        if (got < room) return !std::ferror(f);
        capacity = store.capacity() * 2;
    }
}

}  // namespace

std::size_t StripComments(const unsigned char* in, std::size_t n, unsigned char filler,
                          unsigned char* out) {
    Stripper s{in, n, filler, out};
    s.run();
    return s.w;
}

std::unique_ptr<XmlDocument> LoadBytes(ByteView bytes) {
    if (bytes.empty() || bytes.size() > kMaxInput) return nullptr;
    auto doc = std::make_unique<XmlDocument>();
    doc->bytes.resize(bytes.size() + 2);
    auto* store = reinterpret_cast<unsigned char*>(doc->bytes.data());
    store[0] = '1';
    const std::size_t length = StripComments(bytes.data(), bytes.size(), 0, store + 1);
    return ParseWorkingInput(std::move(doc), length);
}

std::unique_ptr<XmlDocument> LoadFile(const std::string& fileName) {
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (f == nullptr) return nullptr;
    auto doc = std::make_unique<XmlDocument>();
    std::size_t length = 0;
    const bool read = ReadFile(f, doc->bytes, length);
    std::fclose(f);
    if (!read || length == 0) return nullptr;
    auto* store = reinterpret_cast<unsigned char*>(doc->bytes.data());
    store[0] = '1';
    const std::size_t stripped = StripComments(store + 1, length, 0xFF, store + 1);
    return ParseWorkingInput(std::move(doc), stripped);
}

}  // namespace quillon::xml
