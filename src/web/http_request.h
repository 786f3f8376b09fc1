#pragma once
// One HTTP or HTTPS request, blocking until the whole response has arrived.
//
// The request carries a completed header block: the caller's lines, then "Accept: */*",
// "Referer: <url>", "Accept-Language: zh-cn" and
// "Content-Type: application/x-www-form-urlencoded" where the caller's text lacks them (exact,
// case-sensitive tests), then "Cookie: <cookies>" when a non-empty cookie set is given.
// Responses always come from the server (there is no cache), no file is written, and certificates
// of HTTPS servers are verified against the system's trusted authorities.
#include <string_view>

#include "runtime/text.h"

namespace quillon::web {

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
// A request never hangs: it ends like an unreachable server when the connection cannot be made
// within 60 s, when nothing arrives for 30 s, or when it takes longer than 10 minutes in all.
ByteSet HttpRequest(std::string_view url, int method = 0, std::string_view postText = {},
                    Text* cookies = nullptr, Text* responseCookies = nullptr,
                    Text* headers = nullptr, Text* responseHeaders = nullptr,
                    bool noRedirect = false, ByteSet* postBytes = nullptr,
                    std::string_view proxy = {});

}  // namespace quillon::web
