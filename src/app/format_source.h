#pragma once
// The 格式化 button's work on an edit box, apart from the application so that it can be driven
// with any box and any size limit.
#include <cstddef>
#include <string_view>

#include "app/components.h"
#include "app/format_xml.h"

namespace quillon::app {

// Said when 格式化 cannot produce its result: "格式化失败：结果过大".
inline constexpr std::string_view kFormatTooLarge =
    "\xB8\xF1\xCA\xBD\xBB\xAF\xCA\xA7\xB0\xDC\xA3\xBA\xBD\xE1\xB9\xFB\xB9\xFD\xB4\xF3";

// Replaces the box's text by its formatted form. When formatting cannot produce a result (the
// text would grow past `maxBytes`, or memory runs out) the box keeps its text and the result is
// false.
bool FormatEditBox(EditBox& box, std::size_t maxBytes = kMaxFormattedBytes);

}  // namespace quillon::app
