#pragma once
// Telling a well-formed web address from any other text.
#include <string_view>

namespace quillon::web {

// Whether `text` is one absolute "http://" or "https://" URL (scheme in any letter case) with a
// host, as libcurl's URL parser reads it, and with no zero byte, control character or space
// anywhere. Bytes above 0x7F (GBK characters) are allowed.
bool IsHttpUrl(std::string_view text);

}  // namespace quillon::web
