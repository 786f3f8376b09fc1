#pragma once
// The 格式化 button's work on an edit box, apart from the application so that it can be driven
// with any box and any size limit.
#include <cstddef>

#include "app/components.h"
#include "app/format_xml.h"

namespace quillon::app {

// Replaces the box's text by its formatted form. When formatting cannot produce a result (the
// text would grow past `maxBytes`, or memory runs out) the box keeps its text and the result is
// false.
bool FormatEditBox(EditBox& box, std::size_t maxBytes = kMaxFormattedBytes);

}  // namespace quillon::app
