#pragma once
// The basic value types every subsystem shares.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// A GBK byte string. Lengths and positions count bytes; an empty text and an absent one are alike.
using Text = std::string;

// A counted byte buffer; an empty byte set holds no bytes.
using ByteSet = std::vector<std::uint8_t>;

// Borrowed bytes of a byte set.
using ByteView = std::span<const std::uint8_t>;

// A one-dimensional array of texts; its size is the element count.
using TextArray = std::vector<Text>;

inline ByteSet toByteSet(std::string_view bytes) { return ByteSet(bytes.begin(), bytes.end()); }

inline std::string_view asChars(ByteView bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A byte of 0x81..0xFF starts a two-byte GBK character; 0x80 and below stand alone.
constexpr bool isLeadByte(unsigned char c) { return c > 0x80; }

// Bytes of the GB18030 character that starts at `at`: four for a four-byte sequence (lead byte,
// digit, lead byte, digit), two for any other lead byte with a byte after it, else one.
constexpr std::size_t gbCharSize(std::string_view text, std::size_t at) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    auto digit = [&](std::size_t i) { return byte(i) >= '0' && byte(i) <= '9'; };
    if (!isLeadByte(byte(at)) || at + 1 >= text.size()) return 1;
    const bool four = at + 3 < text.size() && digit(at + 1) && byte(at + 2) >= 0x81 &&
                      byte(at + 2) <= 0xFE && digit(at + 3);
    return four ? 4 : 2;
}

// ASCII A-Z lowered; every other byte or UTF-16 unit unchanged. Trail bytes of two-byte
// characters may fall in A-Z: callers that hold GBK text fold single-byte characters only.
template <typename Char>
constexpr Char foldAscii(Char c) {
    return c >= Char{'A'} && c <= Char{'Z'} ? static_cast<Char>(c - 'A' + 'a') : c;
}

// Equality with ASCII letters folded, for byte and UTF-16 strings.
template <typename Char>
constexpr bool equalsAsciiNoCaseIn(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    }
    return true;
}
constexpr bool equalsAsciiNoCase(std::string_view a, std::string_view b) {
    return equalsAsciiNoCaseIn(a, b);
}
constexpr bool equalsAsciiNoCase(std::u16string_view a, std::u16string_view b) {
    return equalsAsciiNoCaseIn(a, b);
}

constexpr bool startsWithAsciiNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

// Appends the escape "%XX" of one byte, in upper-case hex.
inline void appendPercentEscape(unsigned char byte, std::string& out) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const char escape[3] = {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    out.append(escape, 3);
}

}  // namespace quillon
