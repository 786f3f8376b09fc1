// The text steps of HttpRequest that need no server: agent, header block, response cookies.
#include <gtest/gtest.h>

#include "web/http_request_detail.h"

using namespace quillon::web::detail;

namespace {
const std::string kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
}

TEST(UserAgent, DefaultOrTheUserAgentLinesOwnValue) {
    EXPECT_EQ(PickUserAgent(""), kDefaultAgent);
    EXPECT_EQ(PickUserAgent("Accept: text/html"), kDefaultAgent);
    EXPECT_EQ(PickUserAgent("X-A: 1\r\nUser-Agent: Foo\r\nX-B: 2"), "Foo");
    EXPECT_EQ(PickUserAgent("User-Agent: Foo"), "Foo");
    // As the last line, the value runs to the end of the text; other lines never leak in.
    EXPECT_EQ(PickUserAgent("X-A: 1\r\nUser-Agent: Foo"), "Foo");
    EXPECT_EQ(PickUserAgent("user-agent:  Bar Baz \r\nX: y"), "Bar Baz");
}

TEST(HeaderBlock, DefaultLinesInOrder) {
    const std::string url = "http://h.org/u";
    EXPECT_EQ(CompleteHeaders("", url, ""),
              "Accept: */*\r\nReferer: http://h.org/u\r\nAccept-Language: zh-cn\r\n"
              "Content-Type: application/x-www-form-urlencoded");
    EXPECT_EQ(CompleteHeaders("Accept: text/html", url, ""),
              "Accept: text/html\r\nReferer: http://h.org/u\r\nAccept-Language: zh-cn\r\n"
              "Content-Type: application/x-www-form-urlencoded");
    // The tests for existing lines are case-sensitive.
    EXPECT_EQ(CompleteHeaders("accept: text/html", url, "").substr(0, 32),
              "accept: text/html\r\nAccept: */*\r\n");
    const std::string own =
        "Referer: r\r\nAccept-Language: en\r\nContent-Type: text/plain\r\nAccept: a/b";
    EXPECT_EQ(CompleteHeaders(own, url, ""), own);
}

TEST(HeaderBlock, CookieLineOnlyForNonEmptyCookies) {
    const std::string block = CompleteHeaders("Cookie: x=0", "u", "a=1; b=2");
    EXPECT_EQ(block.substr(block.size() - 18), "\r\nCookie: a=1; b=2");
    EXPECT_EQ(CompleteHeaders("", "u", "").find("Cookie"), std::string::npos);
    // A URL quoting a header name does not hide the missing line.
    EXPECT_NE(CompleteHeaders("", "http://h/?Content-Type:", "").find("Content-Type: appl"),
              std::string::npos);
}

TEST(ResponseCookies, PairsWithoutAttributes) {
    EXPECT_EQ(ExtractResponseCookies("HTTP/1.1 200 OK\r\nSet-Cookie: sid=abc; path=/\r\n"
                                     "Set-Cookie: theme=dark\r\nX: 1\r\n\r\n"),
              "sid=abc; theme=dark");
    EXPECT_EQ(ExtractResponseCookies("HTTP/1.1 200 OK\r\nX: 1\r\n\r\n"), "");
    EXPECT_EQ(ExtractResponseCookies(""), "");
    EXPECT_EQ(ExtractResponseCookies("Set-Cookie:  a = 1 ;x\r\nSet-Cookie: \r\n"), "a = 1; ");
}
