#pragma once
// Header, URL and cookie helpers built on the text primitives.
//
// A cookie set is a text of items separated by ";" (written as "; "): each item is a pair
// "name=value" or a bare name. An item ending in "=deleted" marks a cookie the server deleted.
#include <string_view>

#include "runtime/text.h"

namespace quillon::web {

// The text between the first `left` found from `start` and the first `right` after it, or empty
// when either is missing. In both markers "#引号" (GBK bytes) stands for a double quote.
Text TextBetween(std::string_view text, std::string_view left, std::string_view right,
                 int start = 1, bool ignoreCase = false);

// The text after the first ":" with blanks trimmed; empty when there is no ":".
Text TextAfterColon(std::string_view text);

// The lower-cased host of `url`; with `keepPort`, followed by its ":port" suffix if it has one.
// A URL without "https://" or "http://" is read as "http://".
Text UrlHost(std::string_view url, bool keepPort = false);

// The explicit port, else 443 for an "https" URL and 80 otherwise; 0 for a port that is no number.
int UrlPort(std::string_view url);

// The request path: from the first "/" after the host to the end (query included), or "/".
Text UrlPath(std::string_view url);

// Merges `fresh` into `cookies`: fresh items replace old ones of the same name, untouched old
// items follow, deleted cookies and repeated items are dropped. Both arguments lose their blanks;
// `cookies` receives the merged set ("; " separated), which is also returned.
Text MergeCookies(Text& cookies, Text& fresh);

// The text before the item's first "=" (all of it when there is none), blanks trimmed.
Text CookieName(std::string_view item);

bool CookieListHasName(const TextArray& items, std::string_view name);

// `text` split at `separator` with every item that repeats an earlier one byte for byte dropped.
Text RemoveDuplicateItems(std::string_view text, std::string_view separator);

// 1-based index of the first item equal to `text`, or -1.
int FindItem(const TextArray& items, std::string_view text);

}  // namespace quillon::web
