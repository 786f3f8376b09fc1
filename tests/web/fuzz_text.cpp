// A fuzzer for the text primitives and the URL, header and cookie helpers: no input may crash
// them, and the results must keep the promises the headers make.
//   build-fuzz/tests/web/web_text_fuzz -max_total_time=60 tests/web/fuzz_seeds
//
// Input: one flag byte, one byte giving the length of a second text, that text, then the first.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "web/http_request.h"
#include "web/http_request_detail.h"
#include "web/text_helpers.h"
#include "web/text_primitives.h"
#include "web/web_address.h"

using namespace quillon;
using namespace quillon::web;

namespace {

void require(bool promise) {
    if (!promise) std::abort();
}

void searches(std::string_view text, std::string_view sought, int start, bool ignoreCase) {
    const int at = FindText(text, sought, start, ignoreCase);
    require(at == -1 || (at >= 1 && static_cast<size_t>(at) <= text.size()));
    if (at != -1 && !ignoreCase)
        require(text.substr(static_cast<size_t>(at) - 1).starts_with(sought));
    const int last = FindTextBackward(text, sought);
    require(last == -1 || text.substr(static_cast<size_t>(last) - 1).starts_with(sought));
    if (!sought.empty()) require((FindText(text, sought) == -1) == (last == -1));
}

void edits(std::string_view text, std::string_view sought, int start) {
    require(ReplaceText(text, sought, sought, start) == text);
    const Text trimmed = TrimBlanks(text);
    require(TrimBlanks(trimmed) == trimmed);
    require(RemoveBlanks(RemoveBlanks(text)) == RemoveBlanks(text));
    require(ToLowerAscii(text).size() == text.size());
    const TextArray items = SplitText(text, sought);
    if (!sought.empty() && !text.empty()) {
        Text joined;
        for (size_t i = 0; i < items.size(); ++i) joined += (i ? Text(sought) : Text()) + items[i];
        require(joined == text || joined + Text(sought) == text);
    }
    require(MidText(text, start, 8).size() <= 8);
    TextToInteger(text);
    RemoveDuplicateItems(text, sought);
}

void helpers(std::string_view text, std::string_view other) {
    TextBetween(text, other, other);
    TextAfterColon(text);
    require(UrlPath(text).starts_with('/'));
    const int port = UrlPort(text);
    require(port >= 0);
    UrlHost(text, true);
    Text cookies(text);
    Text fresh(other);
    require(MergeCookies(cookies, fresh) == cookies);
    IsHttpUrl(text);
    const int status = ResponseStatus(text);
    require(status >= 0 && status <= 999);
    detail::ExtractResponseCookies(text);
    detail::PickUserAgent(text);
    detail::CompleteHeaders(text, other, other);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const unsigned flags = data[0];
    const size_t otherSize = std::min<size_t>(data[1], size - 2);
    const std::string_view other = input.substr(2, otherSize);
    const std::string_view text = input.substr(2 + otherSize);
    const int start = static_cast<int>(flags & 0x3F) - 4;
    searches(text, other, start, (flags & 0x40) != 0);
    edits(text, other, start);
    helpers(text, other);
    return 0;
}
