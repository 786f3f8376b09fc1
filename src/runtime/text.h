#pragma once
// The basic value types every subsystem shares.
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

}  // namespace quillon
