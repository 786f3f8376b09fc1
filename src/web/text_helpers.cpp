#include "web/text_helpers.h"

#include <algorithm>

#include "web/text_primitives.h"

namespace quillon::web {
namespace {

constexpr std::string_view kQuoteMarker = "#\xD2\xFD\xBA\xC5";  // "#引号"
constexpr std::string_view kDeletedSuffix = "=deleted";

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

Text TextBetween(std::string_view text, std::string_view left, std::string_view right, int start,
                 bool ignoreCase) {
    const Text leftMarker = ReplaceText(left, kQuoteMarker, "\"");
    const Text rightMarker = ReplaceText(right, kQuoteMarker, "\"");
    int p = FindText(text, leftMarker, start, ignoreCase);
    if (p == -1) return {};
    p += static_cast<int>(leftMarker.size());
    const int q = FindText(text, rightMarker, p, ignoreCase);
    if (q == -1) return {};
    return MidText(text, p, q - p);
}

Text TextAfterColon(std::string_view text) {
    const int p = FindText(text, ":");
    if (p == -1) return {};
    return TrimBlanks(RightText(text, static_cast<int>(text.size()) - p));
}

Text UrlHost(std::string_view url, bool keepPort) {
    Text t = ToLowerAscii(url);
    if (t.empty() || t.back() != '/') t += '/';
    if (startsWith(t, "https://")) {
        t = TextBetween(t, "https://", "/");
    } else {
        if (FindText(t, "http://") == -1) t.insert(0, "http://");
        t = TextBetween(t, "http://", "/");
    }
    if (!keepPort) {
        const int colon = FindText(t, ":");
        if (colon != -1) t.resize(static_cast<size_t>(colon) - 1);
    }
    return t;
}

int UrlPort(std::string_view url) {
    const Text host = UrlHost(url, true);
    const int p = FindTextBackward(host, ":");
    if (p == -1) return ToLowerAscii(LeftText(url, 5)) == "https" ? 443 : 80;
    return TextToInteger(RightText(host, static_cast<int>(host.size()) - p));
}

Text UrlPath(std::string_view url) {
    // The host is looked for after the scheme: in "http://t/x" the host "t" also occurs inside
    // "http", and a search from the beginning would take the scheme's "/" as the path's start.
    const Text host = UrlHost(url);
    const int scheme = FindText(url, "://");
    const int afterScheme = scheme == -1 ? 1 : scheme + 3;
    int a = FindText(url, host, afterScheme, true);
    if (a == -1) a = afterScheme;
    const int b = FindText(url, "/", a, true);
    if (b <= 0) return "/";
    return Text(url.substr(static_cast<size_t>(b) - 1));
}

Text CookieName(std::string_view item) {
    const int p = FindText(item, "=");
    if (p == -1) return TrimBlanks(item);
    return TrimBlanks(item.substr(0, static_cast<size_t>(p) - 1));
}

bool CookieListHasName(const TextArray& items, std::string_view name) {
    return std::any_of(items.begin(), items.end(),
                       [name](const Text& item) { return CookieName(item) == name; });
}

int FindItem(const TextArray& items, std::string_view text) {
    const auto it = std::find(items.begin(), items.end(), text);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin()) + 1;
}

Text RemoveDuplicateItems(std::string_view text, std::string_view separator) {
    if (text.empty()) return {};
    TextArray kept;
    Text out;
    for (Text& item : SplitText(text, separator)) {
        if (FindItem(kept, item) != -1) continue;
        out += item;
        out += separator;
        kept.push_back(std::move(item));
    }
    out.resize(out.size() - std::min(out.size(), separator.size()));
    return out;
}

Text MergeCookies(Text& cookies, Text& fresh) {
    cookies = RemoveBlanks(cookies);
    fresh = RemoveBlanks(fresh);
    TextArray merged = SplitText(fresh, ";");
    for (Text& item : SplitText(cookies, ";")) {
        if (!CookieListHasName(merged, CookieName(item))) merged.push_back(std::move(item));
    }
    Text rebuilt;
    for (const Text& item : merged) {
        const bool deleted =
            item.size() >= kDeletedSuffix.size() &&
            std::string_view(item).substr(item.size() - kDeletedSuffix.size()) == kDeletedSuffix;
        if (deleted) continue;
        rebuilt += item;
        rebuilt += "; ";
    }
    rebuilt.resize(rebuilt.size() - std::min<size_t>(rebuilt.size(), 2));
    cookies = RemoveDuplicateItems(rebuilt, "; ");
    return cookies;
}

}  // namespace quillon::web
