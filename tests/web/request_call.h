#pragma once
// One HttpRequest call with every parameter given, as the web tests make it.
#include <optional>
#include <string>

#include "runtime/text.h"
#include "web/http_request_detail.h"

namespace quillon::web::testing {

// `cookies` stays absent unless set; the out-parameters start with a stale value to show that
// they are written.
struct Call {
    std::string url{};
    int method = 0;
    std::string postText{};
    std::optional<Text> cookies{};
    Text responseCookies = "stale";
    Text headers{};
    Text responseHeaders = "stale";
    bool noRedirect = false;
    ByteSet postBytes{};
    std::string proxy{};
    detail::TransportSettings settings{};

    std::string run() {
        const ByteSet body = detail::HttpRequestWith(
            settings, url, method, postText, cookies ? &*cookies : nullptr, &responseCookies,
            &headers, &responseHeaders, noRedirect, &postBytes, proxy);
        return std::string(asChars(body));
    }
};

inline std::string firstLine(const std::string& request) {
    return request.substr(0, request.find("\r\n"));
}

inline int count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace quillon::web::testing
