#include "web/text_helpers.h"

#include <gtest/gtest.h>

#include "web/web_address.h"

using namespace quillon::web;
using quillon::Text;
using quillon::TextArray;

namespace {
const std::string kQuote = "#\xD2\xFD\xBA\xC5";  // the quote marker "#引号" in GBK
}

TEST(TextBetween, MarkersQuotesAndMisses) {
    EXPECT_EQ(TextBetween("a href=\"x\" b", "href=" + kQuote, kQuote), "x");
    EXPECT_EQ(TextBetween("<?xml version=\"1.0\" encoding=\"GBK\"?>", "encoding=\"", "\""), "GBK");
    EXPECT_EQ(TextBetween("abc", "[", "]"), "");
    EXPECT_EQ(TextBetween("a[bc", "[", "]"), "");
    EXPECT_EQ(TextBetween("a[]c", "[", "]"), "");
    EXPECT_EQ(TextBetween("a]b[c", "[", "]"), "");
    EXPECT_EQ(TextBetween("ab[", "[", "]"), "");
    EXPECT_EQ(TextBetween("[1][2]", "[", "]", 2), "2");
    EXPECT_EQ(TextBetween("<A>x</a>", "<a>", "</A>", 1, true), "x");
    EXPECT_EQ(TextBetween("<A>x</a>", "<a>", "</A>"), "");
}

TEST(TextAfterColon, ValueTrimmed) {
    EXPECT_EQ(TextAfterColon("User-Agent:  Foo "), "Foo");
    EXPECT_EQ(TextAfterColon("no colon"), "");
    EXPECT_EQ(TextAfterColon("a: b: c"), "b: c");
    EXPECT_EQ(TextAfterColon("a:"), "");
}

TEST(UrlParts, Host) {
    EXPECT_EQ(UrlHost("HTTP://WWW.EXAMPLE.ORG:8080/a/b?c=1"), "www.example.org");
    EXPECT_EQ(UrlHost("HTTP://WWW.EXAMPLE.ORG:8080/a/b?c=1", true), "www.example.org:8080");
    EXPECT_EQ(UrlHost("www.example.org"), "www.example.org");
    EXPECT_EQ(UrlHost("https://www.example.org"), "www.example.org");
    EXPECT_EQ(UrlHost(""), "");
}

TEST(UrlParts, Port) {
    EXPECT_EQ(UrlPort("https://h.org/x"), 443);
    EXPECT_EQ(UrlPort("HTTPS://h.org/x"), 443);
    EXPECT_EQ(UrlPort("http://h.org:8080/x"), 8080);
    EXPECT_EQ(UrlPort("http://h.org/x"), 80);
    EXPECT_EQ(UrlPort("h.org"), 80);
    EXPECT_EQ(UrlPort("http://h.org:abc/"), 0);
    EXPECT_EQ(UrlPort("https://h.org:8443"), 8443);
}

TEST(UrlParts, Path) {
    EXPECT_EQ(UrlPath("http://h.org/a/b?c=1"), "/a/b?c=1");
    EXPECT_EQ(UrlPath("http://h.org"), "/");
    EXPECT_EQ(UrlPath("h.org/x"), "/x");
    EXPECT_EQ(UrlPath("HTTP://H.ORG:81/Q"), "/Q");
    // The host "t" also occurs inside the scheme; the path still starts after the host.
    EXPECT_EQ(UrlPath("http://t/x"), "/x");
    EXPECT_EQ(UrlPath("https://s/x?y=/z"), "/x?y=/z");
    EXPECT_EQ(UrlPath(""), "/");
}

TEST(Cookies, NamesAndLists) {
    EXPECT_EQ(CookieName(" sid = x"), "sid");
    EXPECT_EQ(CookieName("flag"), "flag");
    EXPECT_EQ(CookieName("=v"), "");
    const TextArray items{"a=1", "B=2", "c"};
    EXPECT_TRUE(CookieListHasName(items, "B"));
    EXPECT_TRUE(CookieListHasName(items, "c"));
    EXPECT_FALSE(CookieListHasName(items, "b"));
    EXPECT_EQ(FindItem(items, "B=2"), 2);
    EXPECT_EQ(FindItem(items, "b=2"), -1);
    EXPECT_EQ(FindItem({}, ""), -1);
}

TEST(Cookies, RemoveDuplicateItems) {
    EXPECT_EQ(RemoveDuplicateItems("x; y; x", "; "), "x; y");
    EXPECT_EQ(RemoveDuplicateItems("", "; "), "");
    EXPECT_EQ(RemoveDuplicateItems("a,a,a", ","), "a");
}

TEST(Cookies, MergeNewReplacesOldAndBothArgumentsLoseBlanks) {
    Text old = "a=1; b=2";
    Text fresh = "b=3; c=4";
    EXPECT_EQ(MergeCookies(old, fresh), "b=3; c=4; a=1");
    EXPECT_EQ(old, "b=3; c=4; a=1");
    EXPECT_EQ(fresh, "b=3;c=4");

    old = "sid = x y";
    fresh = "";
    EXPECT_EQ(MergeCookies(old, fresh), "sid=xy");
}

TEST(Cookies, MergeDeletedAndDuplicates) {
    Text old = "a=1";
    Text fresh = "a=deleted";
    EXPECT_EQ(MergeCookies(old, fresh), "");

    old = "";
    fresh = "a=1; a=1";
    EXPECT_EQ(MergeCookies(old, fresh), "a=1");
    old = "";
    fresh = "a=1; a=2";
    EXPECT_EQ(MergeCookies(old, fresh), "a=1; a=2");

    old = "c=1; d=2";
    fresh = "c=Deleted; d=deleted";
    EXPECT_EQ(MergeCookies(old, fresh), "c=Deleted");

    // Of several old items with one name only the first survives; names compare exactly.
    old = "k=1; k=2; K=3";
    fresh = "";
    EXPECT_EQ(MergeCookies(old, fresh), "k=1; K=3");
}

TEST(WebAddress, OnlyWellFormedHttpUrlsPass) {
    using namespace std::string_literals;
    const std::pair<std::string, bool> cases[] = {
        {"http://h", true},
        {"HTTPS://quillon.example/a/b?c=1#d", true},
        {"http://127.0.0.1:8080/x", true},
        {"http://quillon.example/\xD0\xC2.zip", true},  // GBK bytes in the path
        {"https://a\0b"s, false},
        {"http://a b/", false},
        {"http://h/a b", false},
        {"http://h/\t", false},
        {"http://h/\r\nX: 1", false},
        {"http://h/\x7F", false},
        {" http://h", false},
        {"http://", false},
        {"http:/h", false},
        {"http://h:99999/", false},
        {"http://[::1/", false},
        {"ftp://h", false},
        {"javascript:alert(1)", false},
        {"", false},
    };
    for (const auto& [url, valid] : cases) EXPECT_EQ(IsHttpUrl(url), valid) << url;
}
