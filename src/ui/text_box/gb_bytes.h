#pragma once
// The text box keeps its text as GB18030 bytes in one canonical form: every character is a
// complete sequence that converts to Unicode and back unchanged, and every line break is CR LF.
// These are the rules for stepping over such bytes and for crossing to and from Unicode.
#include <QString>
#include <cstddef>
#include <string_view>

#include "runtime/text.h"

namespace quillon::ui::gb {

// A byte of a four-byte sequence's second place: 0x30..0x39. In a two-byte character the second
// byte is 0x40 or above, so the first two bytes tell the size.
constexpr bool isDigitTrail(unsigned char c) {
    return c >= 0x30 && c <= 0x39;
}

// The size of the character whose first byte is `lead`, followed by `next` (CR LF counts as one).
constexpr std::size_t charSize(unsigned char lead, unsigned char next) {
    if (lead < 0x80) return lead == '\r' ? 2 : 1;
    return isDigitTrail(next) ? 4 : 2;
}

// UTF-16 units of the character of `size` bytes that starts with `lead`: four-byte sequences from
// 0x90 on are the characters beyond the BMP.
constexpr int unitCount(unsigned char lead, std::size_t size) {
    return size == 4 && lead >= 0x90 ? 2 : 1;
}

// Bytes as the box keeps them: what showing `bytes` as Unicode and reading it back gives. Broken
// sequences become U+FFFD; CR LF, lone CR, lone LF, U+2029 and the two frame marks U+FDD0/U+FDD1
// each become one CR LF. Text that already is canonical is only copied.
Text canonical(std::string_view bytes);

// Typed or pasted Unicode as the box keeps it, line breaks treated as `canonical` treats them.
Text fromUnicode(QStringView text);

// Canonical bytes as Unicode for the clipboard: CR LF becomes LF.
QString toUnicode(std::string_view bytes);

}  // namespace quillon::ui::gb
