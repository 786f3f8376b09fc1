#include "web/http_request.h"

#include <array>
#include <new>
#include <optional>

#include "web/curl_exchange.h"
#include "web/http_request_detail.h"
#include "web/text_helpers.h"
#include "web/text_primitives.h"

namespace quillon::web {
namespace detail {
namespace {

constexpr std::string_view kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr std::string_view kAgentName = "User-Agent:";
constexpr std::array<std::string_view, 3> kVerbs = {"GET", "POST", "HEAD"};

// Where the request goes and how; no header line or body yet.
ExchangeTarget targetFor(std::string_view url, int method, std::string_view headers,
                         bool cookiesGiven, bool noRedirect, std::string_view proxy) {
    ExchangeTarget target;
    target.https = ToLowerAscii(LeftText(url, 5)) == "https";
    target.host = UrlHost(url);
    target.port = UrlPort(url);
    target.path = UrlPath(url);
    target.proxy = Text(proxy);
    target.verb = Text(kVerbs.at(static_cast<size_t>(method)));
    target.agent = PickUserAgent(headers);
    target.cookieStore = !cookiesGiven;
    target.followRedirects = !noRedirect;
    return target;
}

}  // namespace

Text PickUserAgent(std::string_view headers) {
    const int at = FindText(headers, kAgentName, 1, true);
    if (at == -1) return Text(kDefaultAgent);
    // Only the User-Agent line's own value: up to its line end, or the end of the text.
    std::string_view value = headers.substr(static_cast<size_t>(at) - 1 + kAgentName.size());
    value = value.substr(0, value.find_first_of("\r\n"));
    return TrimBlanks(value);
}

Text CompleteHeaders(std::string_view headers, std::string_view url, std::string_view cookies) {
    Text block(headers);
    const auto appendLine = [&block](std::string_view first, std::string_view second = {}) {
        if (!block.empty()) block += "\r\n";
        block.append(first).append(second);
    };
    // The names are looked for in the caller's lines only, so that a URL quoted in the Referer
    // line cannot hide a missing default line.
    if (FindText(headers, "Accept:") == -1) appendLine("Accept: */*");
    if (FindText(headers, "Referer:") == -1) appendLine("Referer: ", url);
    if (FindText(headers, "Accept-Language:") == -1) appendLine("Accept-Language: zh-cn");
    if (FindText(headers, "Content-Type:") == -1) {
        appendLine("Content-Type: application/x-www-form-urlencoded");
    }
    if (!cookies.empty()) appendLine("Cookie: ", cookies);
    return block;
}

Text ExtractResponseCookies(std::string_view responseHeaders) {
    Text cookies;
    for (const Text& line : SplitText(responseHeaders, "\r\n")) {
        if (FindText(line, "Set-Cookie") == -1) continue;
        // The pair before the first ";" (its attributes dropped), or the whole value.
        if (FindText(line, ";") != -1) {
            cookies += TrimBlanks(TextBetween(line, "Set-Cookie:", ";"));
        } else {
            cookies += TrimBlanks(ReplaceText(line, "Set-Cookie:", {}, 1, std::nullopt, false));
        }
        cookies += "; ";
    }
    if (!cookies.empty()) cookies.resize(cookies.size() - 2);
    return cookies;
}

namespace {

ByteSet performRequest(const TransportSettings& settings, std::string_view url, int method,
                       std::string_view postText, Text* cookies, Text* responseCookies,
                       Text* headers, Text* responseHeaders, bool noRedirect, ByteSet* postBytes,
                       std::string_view proxy) {
    if (method < 0 || method > 2) method = 0;
    const Text callerHeaders = headers != nullptr ? *headers : Text();
    CurlExchange exchange(settings);
    // Nothing of the caller's changes unless a request can be made at all.
    if (!exchange.Open(
            targetFor(url, method, callerHeaders, cookies != nullptr, noRedirect, proxy))) {
        return {};
    }
    const Text block = CompleteHeaders(callerHeaders, url, cookies != nullptr ? *cookies : "");
    if (headers != nullptr) *headers = block;

    ByteSet textBytes;
    std::optional<ByteView> body;
    if (method != 0) {
        if (postBytes == nullptr || postBytes->empty()) {
            textBytes = TextToBytes(postText);
            if (postBytes != nullptr) *postBytes = textBytes;
        }
        body = postBytes != nullptr ? ByteView(*postBytes) : ByteView(textBytes);
    }
    ExchangeResult result = exchange.Perform(block, body);

    const Text raw =
        ReplaceText(result.rawHeaders, "Set-Cookie", "Set-Cookie", 1, std::nullopt, false);
    Text fresh = ExtractResponseCookies(raw);
    if (cookies != nullptr) MergeCookies(*cookies, fresh);
    if (responseCookies != nullptr) *responseCookies = std::move(fresh);
    if (responseHeaders != nullptr) *responseHeaders = raw;
    return std::move(result.body);
}

}  // namespace

ByteSet HttpRequestWith(const TransportSettings& settings, std::string_view url, int method,
                        std::string_view postText, Text* cookies, Text* responseCookies,
                        Text* headers, Text* responseHeaders, bool noRedirect, ByteSet* postBytes,
                        std::string_view proxy) {
    // Running out of memory anywhere in the request ends it as a failed one.
    try {
        return performRequest(settings, url, method, postText, cookies, responseCookies, headers,
                              responseHeaders, noRedirect, postBytes, proxy);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace detail

ByteSet HttpRequest(std::string_view url, int method, std::string_view postText, Text* cookies,
                    Text* responseCookies, Text* headers, Text* responseHeaders, bool noRedirect,
                    ByteSet* postBytes, std::string_view proxy) {
    return detail::HttpRequestWith(detail::TransportSettings{}, url, method, postText, cookies,
                                   responseCookies, headers, responseHeaders, noRedirect, postBytes,
                                   proxy);
}

int ResponseStatus(std::string_view responseHeaders) {
    const std::string_view line = responseHeaders.substr(0, responseHeaders.find("\r\n"));
    if (!line.starts_with("HTTP/")) return 0;
    const size_t space = line.find(' ');
    if (space == std::string_view::npos || line.size() < space + 4) return 0;
    int status = 0;
    for (const char c : line.substr(space + 1, 3)) {
        if (c < '0' || c > '9') return 0;
        status = status * 10 + (c - '0');
    }
    const bool ends = line.size() == space + 4 || line[space + 4] == ' ';
    return ends ? status : 0;
}

ByteSet HttpRequest(const RequestOptions& options, std::string_view url, int method,
                    std::string_view postText, Text* cookies, Text* responseCookies, Text* headers,
                    Text* responseHeaders, bool noRedirect, ByteSet* postBytes,
                    std::string_view proxy) {
    return detail::HttpRequestWith(detail::TransportSettings{options, {}}, url, method, postText,
                                   cookies, responseCookies, headers, responseHeaders, noRedirect,
                                   postBytes, proxy);
}

}  // namespace quillon::web
