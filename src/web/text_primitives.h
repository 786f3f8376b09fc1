#pragma once
// Text primitives over GBK byte strings.
//
// Positions and lengths count bytes; positions are 1-based and "not found" is -1. A byte above
// 0x80 starts a two-byte character: searches step through the text character by character, so a
// match never begins on the second byte of one, and case folding touches ASCII A-Z only.
// A blank is the ASCII space or the full-width space (the byte pair A1 A1); tab, CR and LF are not.
#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/text.h"

namespace quillon::web {

// Position of the first occurrence of `sought` that begins at or after `start` (below 1 counts
// as 1), or -1. An empty `sought` gives 1 while any byte remains from `start` on, else -1.
int FindText(std::string_view text, std::string_view sought, int start = 1,
             bool ignoreCase = false);

// Position of the last occurrence of `sought` (case-sensitive), or -1.
int FindTextBackward(std::string_view text, std::string_view sought);

// Replaces occurrences of `sought`, scanned left to right without overlap from `start` on; the
// bytes before `start` are kept. `count` limits the replacements (absent: all). An empty text or
// an empty `sought` gives the text unchanged.
Text ReplaceText(std::string_view text, std::string_view sought, std::string_view replacement = {},
                 int start = 1, std::optional<int> count = std::nullopt, bool caseSensitive = true);

Text TrimBlanks(std::string_view text);
Text RemoveBlanks(std::string_view text);

// Splits at `separator`. Two separators in a row give an empty item; the rest after the last
// separator is an item only when it is not empty; an empty text gives no items; an empty
// separator gives the whole text as the only item.
TextArray SplitText(std::string_view text, std::string_view separator = ",");

Text LeftText(std::string_view text, int n);
Text RightText(std::string_view text, int n);
// Up to `n` bytes from the 1-based `start`; empty when `start` lies outside the text.
Text MidText(std::string_view text, int start, int n);

Text ToLowerAscii(std::string_view text);

ByteSet TextToBytes(std::string_view text);
// The bytes up to the first zero byte, or all of them when there is none.
Text BytesToText(ByteView bytes);

// The leading decimal number (after white space and an optional sign), full-width digits, signs
// and spaces counting as their ASCII forms; 0 when there is none. Values beyond the 32-bit range
// are clamped to it.
std::int32_t TextToInteger(std::string_view text);

}  // namespace quillon::web
