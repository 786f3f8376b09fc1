// HttpRequest against scripted servers on 127.0.0.1.
#include "web/http_request.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "request_call.h"
#include "test_server.h"
#include "web/text_primitives.h"

using namespace quillon;
using namespace quillon::web::testing;
using web::detail::TransportSettings;

namespace {

const std::string kOk = httpResponse("200 OK", "", "hello");

}  // namespace

TEST(HttpExchange, GetSendsTheCompletedBlockAndReturnsTheResponse) {
    TestServer server(respondWith(httpResponse("200 OK", "X-Test: yes\r\n", "hello")));
    Call call{.url = server.url("/a/b?c=1")};
    EXPECT_EQ(call.run(), "hello");

    const std::string block = "Accept: */*\r\nReferer: " + call.url +
                              "\r\nAccept-Language: zh-cn\r\n"
                              "Content-Type: application/x-www-form-urlencoded";
    EXPECT_EQ(call.headers, block);
    ASSERT_EQ(server.requests().size(), 1u);
    const std::string request = server.requests()[0];
    EXPECT_EQ(firstLine(request), "GET /a/b?c=1 HTTP/1.1");
    EXPECT_NE(request.find("\r\n" + block + "\r\n"), std::string::npos) << request;
    EXPECT_EQ(headerValue(request, "User-Agent"),
              "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
    EXPECT_EQ(headerValue(request, "Host"), "127.0.0.1:" + std::to_string(server.port()));
    EXPECT_EQ(request.find("Cookie"), std::string::npos);
    EXPECT_EQ(request.substr(request.size() - 4), "\r\n\r\n");  // no body

    EXPECT_EQ(call.responseHeaders.substr(0, 27), "HTTP/1.1 200 OK\r\nX-Test: ye");
    EXPECT_TRUE(call.responseHeaders.ends_with("\r\nConnection: close\r\n\r\n"));
    EXPECT_EQ(call.responseCookies, "");
}

TEST(HttpExchange, PublicEntryPointSchemelessUrlAndOddPaths) {
    TestServer server(respondWith(kOk));
    const std::string host = "127.0.0.1:" + std::to_string(server.port());
    EXPECT_EQ(web::BytesToText(web::HttpRequest(host + "/x y/../\xD4\xE7?q=\xB0\xA1#f")), "hello");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(firstLine(server.requests()[0]), "GET /x%20y/../%D4%E7?q=\xB0\xA1 HTTP/1.1");
}

TEST(HttpExchange, MethodsAndTheirFallback) {
    TestServer server([](Connection& c) {
        while (auto request = c.readRequest()) {
            c.send(request->starts_with("HEAD") ? "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n"
                                                : "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
        }
    });
    for (const int method : {7, -1, 0, 1, 2}) {
        Call call{.url = server.url("/m"), .method = method};
        EXPECT_EQ(call.run(), method == 2 ? "" : "ok") << method;
    }
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(firstLine(requests[0]), "GET /m HTTP/1.1");
    EXPECT_EQ(firstLine(requests[1]), "GET /m HTTP/1.1");
    EXPECT_EQ(firstLine(requests[3]), "POST /m HTTP/1.1");
    EXPECT_EQ(firstLine(requests[4]), "HEAD /m HTTP/1.1");
}

TEST(HttpExchange, PostBodies) {
    TestServer server([](Connection& c) {
        while (c.readRequest()) c.send("HTTP/1.1 204 No Content\r\n\r\n");
    });
    Call fromText{.url = server.url("/p"), .method = 1, .postText = "a=1&b=2"};
    fromText.run();
    EXPECT_EQ(fromText.postBytes, web::TextToBytes("a=1&b=2"));

    Call empty{.url = server.url("/p"), .method = 1};
    empty.run();
    EXPECT_TRUE(empty.postBytes.empty());

    Call bytesWin{.url = server.url("/p"), .method = 1, .postText = "ignored"};
    bytesWin.postBytes = {'x', 0, 'y'};
    bytesWin.run();

    Call get{.url = server.url("/p"), .method = 0, .postText = "ignored"};
    get.run();
    EXPECT_TRUE(get.postBytes.empty());

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(headerValue(requests[0], "Content-Length"), "7");
    EXPECT_TRUE(requests[0].ends_with("\r\n\r\na=1&b=2"));
    EXPECT_EQ(headerValue(requests[1], "Content-Length"), "0");
    EXPECT_TRUE(requests[2].ends_with(std::string("\r\n\r\nx\0y", 7)));
    EXPECT_EQ(requests[3].find("ignored"), std::string::npos);
    EXPECT_EQ(headerValue(requests[3], "Content-Length"), "");
}

TEST(HttpExchange, AgentComesFromTheUserAgentLine) {
    TestServer server([](Connection& c) {
        while (c.readRequest()) c.send(kOk);
    });
    Call call{.url = server.url("/"), .headers = "X-A: 1\r\nUser-Agent: Foo"};
    call.run();
    Call blank{.url = server.url("/"), .headers = "X-Empty:\r\nX-B: 2"};
    blank.run();
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(count(requests[0], "User-Agent"), 1);
    EXPECT_EQ(headerValue(requests[0], "User-Agent"), "Foo");
    EXPECT_TRUE(requests[0].starts_with("GET / HTTP/1.1\r\n"));
    EXPECT_NE(requests[0].find("\r\nX-A: 1\r\nUser-Agent: Foo\r\nAccept: */*\r\n"),
              std::string::npos);
    // A header given without a value is still sent, empty.
    EXPECT_NE(requests[1].find("\r\nX-Empty:"), std::string::npos);
}

TEST(HttpExchange, BodiesInPiecesAndChunked) {
    const std::string body = [] {
        std::string text(2500, 'b');
        for (size_t i = 0; i < text.size(); i += 97) text[i] = static_cast<char>(i % 251);
        return text;
    }();
    TestServer pieces([&body](Connection& c) {
        if (!c.readRequest()) return;
        c.send("HTTP/1.1 200 OK\r\nContent-Length: 2500\r\n\r\n");
        for (size_t at : {0, 1024, 2048}) {
            c.send(std::string_view(body).substr(at, 1024));
            std::this_thread::sleep_for(20ms);
        }
    });
    EXPECT_EQ(Call{.url = pieces.url("/")}.run(), body);

    TestServer chunked([](Connection& c) {
        if (!c.readRequest()) return;
        c.send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n");
        std::this_thread::sleep_for(20ms);
        c.send("6\r\n world\r\n0\r\nX-Trailer: t\r\n\r\n");
    });
    Call call{.url = chunked.url("/")};
    EXPECT_EQ(call.run(), "hello world");
    EXPECT_TRUE(call.responseHeaders.ends_with("Transfer-Encoding: chunked\r\n\r\n"));
}

TEST(HttpExchange, ResponseHeaderBlockIsWholeAndCrLfEnded) {
    std::string lines;
    for (int i = 0; i < 200; ++i)
        lines += "X-Filler-" + std::to_string(i) + ": " + std::string(40, 'f') + "\n";
    lines += "Set-Cookie: late=1; Path=/big\n";
    TestServer server(respondWith("HTTP/1.1 200 OK\n" + lines + "Content-Length: 2\n\nok"));
    Call call{.url = server.url("/big")};
    EXPECT_EQ(call.run(), "ok");
    EXPECT_GT(call.responseHeaders.size(), 10000u);
    EXPECT_EQ(count(call.responseHeaders, "\r\n"), 204);
    EXPECT_EQ(count(call.responseHeaders, "\n"), 204);
    EXPECT_EQ(call.responseCookies, "late=1");
}

TEST(HttpExchange, SetCookieLinesAndTheCallersCookieSet) {
    const std::string response = httpResponse(
        "200 OK", "set-cookie: sid=abc; path=/own\r\nSet-Cookie: theme=dark; Path=/own\r\n", "");
    TestServer server(respondWith(response));
    Call call{.url = server.url("/own")};
    call.run();
    EXPECT_EQ(call.responseCookies, "sid=abc; theme=dark");
    EXPECT_NE(call.responseHeaders.find("\r\nSet-Cookie: sid=abc; path=/own\r\n"),
              std::string::npos);

    TestServer merging(respondWith(
        httpResponse("200 OK", "Set-Cookie: a=2\r\nSet-Cookie: c=deleted; Max-Age=0\r\n", "")));
    Call given{.url = merging.url("/m"), .cookies = "a=1; c=3"};
    given.run();
    EXPECT_EQ(given.cookies, "a=2");
    EXPECT_EQ(given.responseCookies, "a=2;c=deleted");
    ASSERT_EQ(merging.requests().size(), 1u);
    EXPECT_TRUE(merging.requests()[0].ends_with("\r\nCookie: a=1; c=3\r\n\r\n"));
    EXPECT_TRUE(given.headers.ends_with("\r\nCookie: a=1; c=3"));
}

TEST(HttpExchange, ProcessWideCookieStoreWhenNoCookieSetIsGiven) {
    TestServer server([](Connection& c) {
        while (auto request = c.readRequest()) {
            const bool setter = request->starts_with("GET /store/set");
            c.send(setter ? httpResponse("200 OK", "Set-Cookie: kept=yes; Path=/store\r\n", "")
                          : httpResponse("200 OK", "Set-Cookie: own=1; Path=/store\r\n", ""));
        }
    });
    Call{.url = server.url("/store/set")}.run();
    Call{.url = server.url("/store/next")}.run();
    Call{.url = server.url("/store/given"), .cookies = ""}.run();
    Call{.url = server.url("/store/last")}.run();
    Call{.url = server.url("/elsewhere")}.run();
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(headerValue(requests[0], "Cookie"), "");
    EXPECT_NE(headerValue(requests[1], "Cookie").find("kept=yes"), std::string::npos);
    // A request with its own cookie set neither reads nor feeds the store.
    EXPECT_EQ(headerValue(requests[2], "Cookie"), "");
    EXPECT_EQ(headerValue(requests[3], "Cookie").find("own=1; own"), std::string::npos);
    EXPECT_NE(headerValue(requests[3], "Cookie").find("kept=yes"), std::string::npos);
    EXPECT_EQ(headerValue(requests[4], "Cookie"), "");
}

TEST(HttpExchange, CookieStoreIsSharedSafelyBetweenThreads) {
    TestServer server([](Connection& c) {
        if (c.readRequest()) c.send(httpResponse("200 OK", "Set-Cookie: n=1; Path=/many\r\n", "k"));
    });
    std::vector<std::thread> threads;
    std::atomic<int> answered{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5; ++i) answered += Call{.url = server.url("/many")}.run() == "k";
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(answered, 20);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 20u);
    EXPECT_EQ(headerValue(requests.back(), "Cookie"), "n=1");
}

TEST(HttpExchange, GivenEmptyCookieSetStillMerges) {
    TestServer server(respondWith(httpResponse("200 OK", "Set-Cookie: n = v\r\n", "")));
    Call call{.url = server.url("/e"), .cookies = ""};
    call.run();
    EXPECT_EQ(call.cookies, "n=v");
    EXPECT_EQ(call.responseCookies, "n=v");
    EXPECT_EQ(server.requests().at(0).find("Cookie"), std::string::npos);
}

TEST(HttpExchange, RedirectsFollowedOrReturned) {
    TestServer server([](Connection& c) {
        const auto request = c.readRequest();
        if (!request) return;
        c.send(request->starts_with("GET /from")
                   ? httpResponse("302 Found", "Location: /to\r\n", "moved")
                   : httpResponse("200 OK", "X-Final: 1\r\n", "arrived"));
    });
    Call followed{.url = server.url("/from")};
    EXPECT_EQ(followed.run(), "arrived");
    EXPECT_TRUE(followed.responseHeaders.starts_with("HTTP/1.1 200 OK\r\nX-Final: 1\r\n"));
    EXPECT_EQ(count(followed.responseHeaders, "HTTP/"), 1);

    Call stopped{.url = server.url("/from"), .noRedirect = true};
    EXPECT_EQ(stopped.run(), "moved");
    EXPECT_TRUE(stopped.responseHeaders.starts_with("HTTP/1.1 302 Found\r\nLocation: /to\r\n"));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(firstLine(requests[1]), "GET /to HTTP/1.1");
}

TEST(HttpExchange, PlainHttpThroughAProxy) {
    TestServer proxy(respondWith(httpResponse("200 OK", "", "via proxy")));
    Call call{.url = "http://quillon.test:8080/p?q=1",
              .proxy = "127.0.0.1:" + std::to_string(proxy.port())};
    EXPECT_EQ(call.run(), "via proxy");
    ASSERT_EQ(proxy.requests().size(), 1u);
    EXPECT_EQ(firstLine(proxy.requests()[0]), "GET http://quillon.test:8080/p?q=1 HTTP/1.1");
    EXPECT_EQ(headerValue(proxy.requests()[0], "Host"), "quillon.test:8080");
    EXPECT_EQ(headerValue(proxy.requests()[0], "Referer"), call.url);
}
