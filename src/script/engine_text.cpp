// Text between automation strings (UTF-16) and the engine's internal form (UTF-8 per UTF-16
// unit, so a character outside the BMP is two three-byte surrogate sequences).
#include <string>
#include <string_view>

#include "script/duk_engine.h"

namespace quillon::script {

std::string ToEngineString(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t u : text) {
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
        } else if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
    return out;
}

namespace {

// The length of a well-formed sequence at `s` (1..4) and its code point, or 0 when invalid.
// Three-byte sequences may encode surrogates, one per unit.
int decodeOne(std::string_view s, char32_t& cp) {
    auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    auto cont = [&](std::size_t i) { return i < s.size() && (b(i) & 0xC0) == 0x80; };
    unsigned char c = b(0);
    if (c < 0x80) return cp = c, 1;
    if (c >= 0xC2 && c <= 0xDF && cont(1)) return cp = (c & 0x1F) << 6 | (b(1) & 0x3F), 2;
    if (c >= 0xE0 && c <= 0xEF && cont(1) && cont(2)) {
        cp = (c & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F);
        return cp >= 0x800 ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4 && cont(1) && cont(2) && cont(3)) {
        cp = (c & 0x07) << 18 | (b(1) & 0x3F) << 12 | (b(2) & 0x3F) << 6 | (b(3) & 0x3F);
        return cp >= 0x10000 && cp <= 0x10FFFF ? 4 : 0;
    }
    return 0;
}

}  // namespace

std::u16string FromEngineString(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        char32_t cp = 0;
        int n = decodeOne(bytes, cp);
        if (n == 0) {
            out.push_back(u'\uFFFD');
            n = 1;
        } else if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return out;
}

}  // namespace quillon::script
