#pragma once
// Re-indents XML text the way the 格式化 button does: one tag per line, four spaces per open
// element, CR LF line breaks. The work is done on the text alone, by pattern rules that never
// parse the document, so any text (well-formed or not) gets a result.
//
//   Text out = formatXml("<a><b x=\"1\"/></a>");   // "<a>\r\n    <b  x=\"1\"/>\r\n</a>"
//
// Text is GBK bytes; two-byte characters pass through unchanged.
#include <cstddef>
#include <string_view>

#include "runtime/text.h"

namespace quillon::app {

// The indentation unit, written once per open element.
inline constexpr std::string_view kIndentUnit = "    ";

// The longest text the formatter builds. Indentation grows with the square of the nesting depth,
// so a deeply nested input could otherwise ask for more memory than any machine has.
inline constexpr std::size_t kMaxFormattedBytes = std::size_t(1) << 30;

// The formatted text. Throws std::length_error when a step would build a text longer than
// `maxBytes`, and std::bad_alloc when memory runs out; the input is never modified.
Text formatXml(std::string_view text, std::size_t maxBytes);
inline Text formatXml(std::string_view text) {
    return formatXml(text, kMaxFormattedBytes);
}

// `n` copies of the indentation unit; empty for n <= 0.
Text getPrefix(int n);

}  // namespace quillon::app
