// HttpRequest when the server is unreachable, misbehaves or stalls.
#include <gtest/gtest.h>

#include <thread>

#include "request_call.h"
#include "test_server.h"

using namespace quillon;
using namespace quillon::web::testing;
using web::detail::TransportSettings;

TEST(HttpFailure, UnreachableServer) {
    int port = 0;
    {
        TestServer closed([](Connection&) {});
        port = closed.port();
    }
    Call call{.url = "http://127.0.0.1:" + std::to_string(port) + "/", .cookies = "a=1; b = 2"};
    EXPECT_EQ(call.run(), "");
    EXPECT_EQ(call.responseHeaders, "");
    EXPECT_EQ(call.responseCookies, "");
    EXPECT_TRUE(call.headers.starts_with("Accept: */*\r\nReferer: "));
    EXPECT_EQ(call.cookies, "a=1; b=2");
}

TEST(HttpFailure, NoRequestPossibleLeavesEverythingAlone) {
    for (const std::string url : {"http://127.0.0.1:99999/", "http:///x", "http://a@b/"}) {
        Call call{.url = url, .method = 1, .postText = "t", .cookies = "a = 1"};
        EXPECT_EQ(call.run(), "") << url;
        EXPECT_EQ(call.headers, "");
        EXPECT_EQ(call.cookies, "a = 1");
        EXPECT_EQ(call.responseHeaders, "stale");
        EXPECT_TRUE(call.postBytes.empty());
    }
}

TEST(HttpFailure, ServerClosingInMidBodyKeepsWhatArrived) {
    TestServer server([](Connection& c) {
        if (!c.readRequest()) return;
        c.send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(300, 'p'));
    });
    Call call{.url = server.url("/")};
    EXPECT_EQ(call.run(), std::string(300, 'p'));
    EXPECT_TRUE(call.responseHeaders.starts_with("HTTP/1.1 200 OK\r\n"));
}

TEST(HttpFailure, ClosingBeforeTheHeaderBlockEndsIsNoResponse) {
    TestServer server([](Connection& c) {
        if (c.readRequest()) c.send("HTTP/1.1 200 OK\r\nX-Half: ");
    });
    Call call{.url = server.url("/")};
    EXPECT_EQ(call.run(), "");
    EXPECT_EQ(call.responseHeaders, "");
}

namespace {
TransportSettings shortLimits() {
    TransportSettings settings;
    settings.limits = {.connect = 800ms, .idle = 800ms, .total = 3s};
    return settings;
}
}  // namespace

TEST(HttpFailure, StalledServersAreAbandoned) {
    TestServer silent([](Connection& c) {
        if (c.readRequest()) c.waitForClose();
    });
    TestServer midBody([](Connection& c) {
        if (!c.readRequest()) return;
        c.send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\nSet-Cookie: s=1\r\n\r\nabc");
        c.waitForClose();
    });
    // Sends a byte now and then, so that only the limit on the whole request ends it.
    TestServer trickle([](Connection& c) {
        if (!c.readRequest()) return;
        c.send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
        for (int i = 0; i < 100 && c.send("x"); ++i) std::this_thread::sleep_for(100ms);
    });
    for (const TestServer* server : {&silent, &midBody, &trickle}) {
        Call call{.url = server->url("/"), .settings = shortLimits()};
        EXPECT_EQ(call.run(), "") << server->url();
        EXPECT_EQ(call.responseHeaders, "");
        EXPECT_EQ(call.responseCookies, "");
    }
}

TEST(HttpFailure, AConnectionThatNeverCompletesIsAbandoned) {
    // TCP is accepted but the TLS handshake is never answered.
    TestServer mute([](Connection& c) { c.waitForClose(); });
    Call call{.url = "https://127.0.0.1:" + std::to_string(mute.port()) + "/",
              .settings = shortLimits()};
    EXPECT_EQ(call.run(), "");
    EXPECT_EQ(call.responseHeaders, "");
}

namespace {
// Sends `head`, then `piece` again and again until the client goes away (or `count` pieces).
TestServer::Script endless(std::string head, std::string piece, int count = 100000) {
    return [head = std::move(head), piece = std::move(piece), count](Connection& c) {
        if (!c.readRequest() || !c.send(head)) return;
        for (int i = 0; i < count && c.send(piece); ++i) {
        }
    };
}
}  // namespace

// A response larger than the body limit ends like an unreachable server, however it is framed;
// one of exactly the limit arrives whole.
TEST(HttpFailure, ResponsesPastTheSizeLimitAreAbandoned) {
    constexpr size_t kLimit = 64 * 1024;
    const std::string full(kLimit, 'b');
    const std::string head = "HTTP/1.1 200 OK\r\nSet-Cookie: s=1\r\n";
    struct Case {
        const char* name;
        TestServer::Script script;
        bool arrives;
    };
    Case cases[] = {
        {"at the limit", respondWith(httpResponse("200 OK", "", full)), true},
        {"announced past it", respondWith(httpResponse("200 OK", "", full + "b")), false},
        {"read to the close", respondWith(head + "Connection: close\r\n\r\n" + full + "b"), false},
        {"endless chunks",
         endless(head + "Transfer-Encoding: chunked\r\n\r\n",
                 "400\r\n" + std::string(1024, 'c') + "\r\n"),
         false},
        {"endless header lines", endless(head, "X-Pad: " + std::string(1000, 'h') + "\r\n"), false},
    };
    for (Case& c : cases) {
        TestServer server(std::move(c.script));
        Call call{.url = server.url("/"), .settings = shortLimits()};
        call.settings.limits.body = kLimit;
        const auto started = std::chrono::steady_clock::now();
        const std::string body = call.run();
        EXPECT_LT(std::chrono::steady_clock::now() - started, 3s) << c.name;
        if (c.arrives) {
            EXPECT_EQ(body, full) << c.name;
            continue;
        }
        EXPECT_EQ(body, "") << c.name;
        EXPECT_EQ(call.responseHeaders, "") << c.name;
        EXPECT_EQ(call.responseCookies, "") << c.name;
    }
}

// A stop asked for from another thread abandons a request that would otherwise wait on.
TEST(HttpFailure, AStopEndsAWaitingRequest) {
    TestServer silent([](Connection& c) {
        if (c.readRequest()) c.waitForClose();
    });
    std::stop_source stop;
    Call call{.url = silent.url("/")};
    call.settings.stop = stop.get_token();
    std::jthread stopper([&stop] {
        std::this_thread::sleep_for(200ms);
        stop.request_stop();
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(call.run(), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    EXPECT_EQ(call.responseHeaders, "");
}
