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
