#pragma once
// Internals of HttpRequest, open to the tests: the time limits, the transport settings they can
// shorten or extend, and the text steps that need no network.
#include <chrono>
#include <string>
#include <string_view>

#include "runtime/text.h"

namespace quillon::web::detail {

using namespace std::chrono_literals;

// How long a request may take before it ends like an unreachable server.
struct RequestLimits {
    std::chrono::milliseconds connect = 60s;  // name lookup, TCP and TLS handshake
    std::chrono::milliseconds idle = 30s;     // nothing received (or sent) once connected
    std::chrono::milliseconds total = 10min;  // the whole request, redirects included
};

struct TransportSettings {
    RequestLimits limits;
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
