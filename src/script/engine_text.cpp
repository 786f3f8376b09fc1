// Text between automation strings (UTF-16) and the engine's internal form (UTF-8 per UTF-16
// unit, so a character outside the BMP is two three-byte surrogate sequences).
#include <string>
#include <string_view>

#include "runtime/utf8.h"
#include "script/duk_engine.h"

namespace quillon::script {

std::string ToEngineString(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char16_t unit : text) utf8::appendUnit(unit, out);
    return out;
}

std::u16string FromEngineString(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        char32_t cp = 0;
        std::size_t n = utf8::decode(bytes, cp);
        if (n == 0) {
            out.push_back(u'\uFFFD');
            n = 1;
        } else {
            utf8::appendUtf16(cp, out);
        }
        bytes.remove_prefix(n);
    }
    return out;
}

}  // namespace quillon::script
