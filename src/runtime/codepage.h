#pragma once
// Conversion between the GBK bytes of the libraries and Unicode, through GB18030.
//
// GB18030 is byte-identical to GBK for every GBK character and covers all of Unicode, so text
// typed or pasted by a user survives the round trip Unicode -> bytes -> Unicode unchanged.
//
// Invalid input never fails a conversion: each byte (or UTF-16 unit) that does not start a valid
// sequence is replaced by U+FFFD (in GB18030: 84 31 A4 37) and the conversion resumes at the next
// one. A sequence cut off by the end of the input counts as invalid bytes.
//
// ASCII and two-byte characters, nearly all of any GBK text, take a fast path; the conversions
// are safe to call from any thread.
#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/text.h"

namespace quillon::codepage {

std::string gbkToUtf8(std::string_view gbk);
Text utf8ToGbk(std::string_view utf8);

std::u16string gbkToUtf16(std::string_view gbk);
Text utf16ToGbk(std::u16string_view utf16);

// The same conversions for callers that own the storage: gbkToUtf16 writes to `out`, which has
// room for gbk.size() units (never more are needed), and returns how many it wrote; appendGbk
// appends to `out`.
std::size_t gbkToUtf16(std::string_view gbk, char16_t* out);
void appendGbk(std::u16string_view utf16, Text& out);

}  // namespace quillon::codepage
