#include "web/web_address.h"

#include <curl/curl.h>

#include <memory>
#include <string>

#include "runtime/text.h"

namespace quillon::web {
namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct PartDeleter {
    void operator()(char* part) const { curl_free(part); }
};
using Part = std::unique_ptr<char, PartDeleter>;

// One part of a parsed URL; null when the URL has none.
Part urlPart(CURLU* url, CURLUPart which) {
    char* part = nullptr;
    if (curl_url_get(url, which, &part, 0) != CURLUE_OK) return nullptr;
    return Part(part);
}

bool hasWebScheme(std::string_view text) {
    return startsWithAsciiNoCase(text, "http://") || startsWithAsciiNoCase(text, "https://");
}

}  // namespace

bool IsHttpUrl(std::string_view text) {
    if (!hasWebScheme(text)) return false;
    // libcurl reads a C string, so a zero byte would end the text early; spaces and control
    // bytes are refused here too, whatever the parser's own rules.
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F) return false;
    }
    const std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
    if (!url) return false;
    const std::string copy(text);
    if (curl_url_set(url.get(), CURLUPART_URL, copy.c_str(), 0) != CURLUE_OK) return false;
    const Part scheme = urlPart(url.get(), CURLUPART_SCHEME);
    const Part host = urlPart(url.get(), CURLUPART_HOST);
    if (!scheme || !host || *host == '\0') return false;
    const std::string_view name(scheme.get());
    return name == "http" || name == "https";
}

}  // namespace quillon::web
