#pragma once
// One HTTP or HTTPS request, blocking until the whole response has arrived.
//
// The request carries a completed header block: the caller's lines, then "Accept: */*",
// "Referer: <url>", "Accept-Language: zh-cn" and
// "Content-Type: application/x-www-form-urlencoded" where the caller's text lacks them (exact,
// case-sensitive tests), then "Cookie: <cookies>" when a non-empty cookie set is given.
// Responses always come from the server (there is no cache), no file is written, and certificates
// of HTTPS servers are verified against the system's trusted authorities.
#include <chrono>
#include <cstddef>
#include <stop_token>
#include <string_view>

#include "runtime/text.h"

namespace quillon::web {

using namespace std::chrono_literals;

// How much a request may take before it ends like an unreachable server.
struct RequestLimits {
    std::chrono::milliseconds connect = 60s;    // name lookup, TCP and TLS handshake
    std::chrono::milliseconds idle = 30s;       // nothing received (or sent) once connected
    std::chrono::milliseconds total = 10min;    // the whole request, redirects included
    std::size_t body = std::size_t{256} << 20;  // bytes of the body (and of a header block)
};

// What a caller can set beside the parameters: the limits, and a token through which another
// thread abandons the request (it then ends like an unreachable server, within about a second).
struct RequestOptions {
    RequestLimits limits;
    std::stop_token stop;
};

// Returns the response body, or an empty byte set when no response arrived.
//
// url              "http://" or "https://" URL; one without a scheme is read as "http://".
// method           0 GET, 1 POST, 2 HEAD; any other value is GET.
// postText         body for POST and HEAD when `postBytes` is empty.
// cookies          absent (null): cookies are kept in a process-wide in-memory store shared by all
//                  such requests. Given (even empty): only these cookies are sent, and on return
//                  the text holds them merged with the ones the response set.
// responseCookies  out: the "name=value" pairs the response set, joined by "; ".
// headers          in: extra header lines separated by CR LF; out: the complete block sent.
// responseHeaders  out: the final response's status line and header lines, each ending in CR LF,
//                  then an empty line; empty when no response arrived.
// noRedirect       true: a redirect response is returned as it is, not followed.
// postBytes        in: body bytes, preferred over `postText`; out: the body sent for POST/HEAD.
// proxy            "host:port" of an HTTP proxy; empty means a direct connection.
//
// A request never hangs and never takes unbounded memory: it ends like an unreachable server when
// the connection cannot be made within 60 s, when nothing arrives for 30 s, when it takes longer
// than 10 minutes in all, when the body grows past 256 MiB, or when memory runs out.
ByteSet HttpRequest(std::string_view url, int method = 0, std::string_view postText = {},
                    Text* cookies = nullptr, Text* responseCookies = nullptr,
                    Text* headers = nullptr, Text* responseHeaders = nullptr,
                    bool noRedirect = false, ByteSet* postBytes = nullptr,
                    std::string_view proxy = {});

// The same request under the caller's limits and stop token.
ByteSet HttpRequest(const RequestOptions& options, std::string_view url, int method = 0,
                    std::string_view postText = {}, Text* cookies = nullptr,
                    Text* responseCookies = nullptr, Text* headers = nullptr,
                    Text* responseHeaders = nullptr, bool noRedirect = false,
                    ByteSet* postBytes = nullptr, std::string_view proxy = {});

// The status code on the first line of a response header block ("HTTP/1.1 200 OK" gives 200), or
// 0 when the block starts with no status line.
int ResponseStatus(std::string_view responseHeaders);

}  // namespace quillon::web
