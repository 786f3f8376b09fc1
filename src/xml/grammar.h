#pragma once
// The byte classes and the limits that every reader of the parser shares, in one place: a change
// to what a byte means in a tag, a name or a comment starts here (parser.cpp says which reader
// reads what).
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "runtime/text.h"
#include "xml/xml_tree.h"

namespace quillon::xml {

enum ByteClass : std::uint8_t {
    kLead = 1,           // 0x81..0xFF: starts a two-byte character (the runtime's isLeadByte)
    kTagSpace = 2,       // space, TAB, CR, LF: separate a tag's name and its attributes
    kPlainName = 4,      // printable ASCII but "<>=/!?: names the one-pass tag reader takes
    kCommentMark = 8,    // '<', '!', '-': the bytes of "<!--"
    kAttributeMark = 16  // '=', '"' and the tag spaces: steer the attribute scan outside quotes
};

constexpr std::array<std::uint8_t, 256> MakeByteClasses() {
    std::array<std::uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c) {
        const auto b = static_cast<unsigned char>(c);
        const bool space = b == ' ' || b == '\t' || b == '\r' || b == '\n';
        int classes = 0;
        if (isLeadByte(b)) classes |= kLead;
        if (space) classes |= kTagSpace | kAttributeMark;
        if (b > 0x20 && b < 0x80 &&
            std::string_view("\"<>=/!?").find(char(b)) == std::string_view::npos)
            classes |= kPlainName;
        if (b == '<' || b == '!' || b == '-') classes |= kCommentMark;
        if (b == '=' || b == '"') classes |= kAttributeMark;
        table[c] = static_cast<std::uint8_t>(classes);
    }
    return table;
}
inline constexpr std::array<std::uint8_t, 256> kByteClasses = MakeByteClasses();

// Whether byte `c` belongs to any of `classes` (ByteClass values or'ed together).
inline bool Is(unsigned char c, unsigned classes) {
    return (kByteClasses[c] & classes) != 0;
}

// The one-pass readers find a repeated attribute name by comparing with the earlier ones; once a
// tag has this many, the general reader, which keeps a hashed set, takes over.
inline constexpr std::size_t kLinearAttributes = 16;

// The most a load takes (kMaxLoadSize, which callers see, says why).
inline constexpr std::size_t kMaxInput = kMaxLoadSize;

}  // namespace quillon::xml
