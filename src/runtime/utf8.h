#pragma once
// UTF-8 one character at a time, for the converters that keep their own fast paths.
#include <cstddef>
#include <string>
#include <string_view>

namespace quillon::utf8 {

// Appends the one to three bytes of a UTF-16 unit. A surrogate is written as a three-byte
// sequence of its own, so a pair becomes two of them.
inline void appendUnit(char16_t unit, std::string& out) {
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        const char bytes[2] = {static_cast<char>(0xC0 | unit >> 6),
                               static_cast<char>(0x80 | (unit & 0x3F))};
        out.append(bytes, 2);
    } else {
        const char bytes[3] = {static_cast<char>(0xE0 | unit >> 12),
                               static_cast<char>(0x80 | (unit >> 6 & 0x3F)),
                               static_cast<char>(0x80 | (unit & 0x3F))};
        out.append(bytes, 3);
    }
}

// Appends a code point as UTF-16: one unit, or a surrogate pair beyond the BMP.
inline void appendUtf16(char32_t cp, std::u16string& out) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
}

// The code point of a surrogate pair.
constexpr char32_t fromSurrogates(char16_t high, char16_t low) {
    return 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (low - 0xDC00);
}

// Reads the sequence at the start of `bytes`: its length (1 to 4) with its code point in `cp`, or
// 0 when it is not well formed (cut off, overlong, beyond U+10FFFF, or an empty input).
// Three-byte sequences may encode surrogates; callers that refuse them check `cp`.
inline std::size_t decode(std::string_view bytes, char32_t& cp) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    auto continues = [&](std::size_t i) { return i < bytes.size() && (byte(i) & 0xC0) == 0x80; };
    if (bytes.empty()) return 0;
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF && continues(1)) {
        cp = (lead & 0x1Fu) << 6 | (byte(1) & 0x3Fu);
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF && continues(1) && continues(2)) {
        cp = (lead & 0x0Fu) << 12 | (byte(1) & 0x3Fu) << 6 | (byte(2) & 0x3Fu);
        return cp >= 0x800 ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4 && continues(1) && continues(2) && continues(3)) {
        cp = (lead & 0x07u) << 18 | (byte(1) & 0x3Fu) << 12 | (byte(2) & 0x3Fu) << 6 |
             (byte(3) & 0x3Fu);
        return cp >= 0x10000 && cp <= 0x10FFFF ? 4 : 0;
    }
    return 0;
}

}  // namespace quillon::utf8
