// A fuzzer for the formatter: no input may crash it or make it run away, a size limit changes
// nothing but whether a result comes, and with QUILLON_FUZZ_REFERENCE set every input is also run
// through the reference script, whose text must come out the same.
//   ./format_fuzz -max_total_time=60 -max_len=256
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "app/format_xml.h"
#include "runtime/codepage.h"
#include "script/script_host.h"

namespace {

// The engine with the reference script loaded, or null when only the native side is checked.
quillon::script::ScriptHost* reference() {
    static quillon::script::ScriptHost* host = [] {
        if (!std::getenv("QUILLON_FUZZ_REFERENCE"))
            return static_cast<quillon::script::ScriptHost*>(nullptr);
        auto* made = new quillon::script::ScriptHost;
        made->Initialize();
        made->Timeout(-1);
        std::ifstream file(QUILLON_SOURCE_DIR "/tests/app/format_reference.js", std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        if (!made->ExecuteStatement(text.str())) std::abort();
        return made;
    }();
    return host;
}

// Whether the script sees the same text: valid GB18030 without zero bytes. (Other bytes reach the
// engine as U+FFFD, while the native formatter keeps them as they are.)
bool scriptSeesTheSameText(std::string_view text) {
    return text.find('\0') == std::string_view::npos &&
           quillon::codepage::utf16ToGbk(quillon::codepage::gbkToUtf16(text)) == text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const quillon::Text formatted = quillon::app::formatXml(text);
    try {
        if (quillon::app::formatXml(text, 4 * size + 64) != formatted) std::abort();
    } catch (const std::length_error&) {
        // The limit was reached on the way; refusing is the promised outcome.
    }
    quillon::script::ScriptHost* host = reference();
    if (host && scriptSeesTheSameText(text) && host->Run("formatXml", text) != formatted)
        std::abort();
    return 0;
}
