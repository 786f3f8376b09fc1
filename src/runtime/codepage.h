#pragma once
// Conversion between the GBK bytes of the libraries and Unicode, through GB18030.
//
// GB18030 is byte-identical to GBK for every GBK character and covers all of Unicode, so text
// typed or pasted by a user survives the round trip Unicode -> bytes -> Unicode unchanged.
//
// Invalid input never fails a conversion: each byte (or UTF-16 unit) that does not start a valid
// sequence is replaced by U+FFFD (in GB18030: 84 31 A4 37) and the conversion resumes at the next
// one. A sequence cut off by the end of the input counts as invalid bytes.
#include <string>
#include <string_view>

#include "runtime/text.h"

namespace quillon::codepage {

std::string gbkToUtf8(std::string_view gbk);
Text utf8ToGbk(std::string_view utf8);

std::u16string gbkToUtf16(std::string_view gbk);
Text utf16ToGbk(std::u16string_view utf16);

}  // namespace quillon::codepage
