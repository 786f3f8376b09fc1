#pragma once
// Internals of HttpRequest, open to the tests: the transport settings that can shorten or extend
// its limits, and the text steps that need no network.
#include <string>
#include <string_view>

#include "runtime/text.h"
#include "web/http_request.h"

namespace quillon::web::detail {

struct TransportSettings : RequestOptions {
    // A PEM file of authorities trusted instead of the system's; empty: the system's.
    std::string caFile;
};

// HttpRequest with explicit transport settings; HttpRequest itself uses the defaults.
ByteSet HttpRequestWith(const TransportSettings& settings, std::string_view url, int method,
                        std::string_view postText, Text* cookies, Text* responseCookies,
                        Text* headers, Text* responseHeaders, bool noRedirect, ByteSet* postBytes,
                        std::string_view proxy);

// The default agent, or the trimmed value of the header text's "User-Agent:" line.
Text PickUserAgent(std::string_view headers);

// The caller's header lines completed with the default lines and the cookie line.
Text CompleteHeaders(std::string_view headers, std::string_view url, std::string_view cookies);

// The "name=value" parts of the block's Set-Cookie lines, joined by "; ".
Text ExtractResponseCookies(std::string_view responseHeaders);

}  // namespace quillon::web::detail
