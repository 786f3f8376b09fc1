// HttpRequest over TLS, against a loopback server with a certificate made for the test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "request_call.h"
#include "test_server.h"

using namespace quillon;
using namespace quillon::web::testing;

namespace {

// A self-signed certificate for 127.0.0.1, trusted only by the calls that name it.
class Https : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/quillon-web-tls-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        dir_ = pattern;
        const std::string command =
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
            "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout " +
            dir_ + "/key.pem -out " + dir_ + "/cert.pem 2>/dev/null";
        if (std::system(command.c_str()) != 0) dir_.clear();
    }
    static void TearDownTestSuite() {
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    void SetUp() override {
        ASSERT_FALSE(dir_.empty()) << "openssl could not make the test certificate";
        tls_ = std::make_unique<TlsContext>(certFile(), dir_ + "/key.pem");
        ASSERT_TRUE(tls_->valid());
    }
    static std::string certFile() { return dir_ + "/cert.pem"; }
    Call trusting(std::string url) {
        Call call{.url = std::move(url)};
        call.settings.caFile = certFile();
        return call;
    }

    static inline std::string dir_;
    std::unique_ptr<TlsContext> tls_;
};

const std::string kSecret = httpResponse("200 OK", "", "secret");

}  // namespace

TEST_F(Https, VerifiedServerAnswers) {
    TestServer server(respondWith(kSecret), tls_.get());
    Call call = trusting(server.url("/s?x=1"));
    EXPECT_EQ(call.run(), "secret");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(firstLine(server.requests()[0]), "GET /s?x=1 HTTP/1.1");
}

TEST_F(Https, UntrustedCertificateIsRefused) {
    TestServer server(respondWith(kSecret), tls_.get());
    Call call{.url = server.url("/")};  // the system's authorities do not know this certificate
    EXPECT_EQ(call.run(), "");
    EXPECT_EQ(call.responseHeaders, "");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(Https, RedirectFromHttpToHttpsIsFollowed) {
    TestServer secure(respondWith(kSecret), tls_.get());
    TestServer plain(
        respondWith(httpResponse("301 Moved", "Location: " + secure.url("/up") + "\r\n", "")));
    Call call = trusting(plain.url("/"));
    EXPECT_EQ(call.run(), "secret");
    ASSERT_EQ(secure.requests().size(), 1u);
    EXPECT_EQ(firstLine(secure.requests()[0]), "GET /up HTTP/1.1");
}

TEST_F(Https, RedirectFromHttpsDownToHttpIsNotFollowed) {
    TestServer plain(respondWith(kSecret));
    TestServer secure(
        respondWith(httpResponse("302 Found", "Location: " + plain.url("/") + "\r\n", "")),
        tls_.get());
    Call call = trusting(secure.url("/"));
    EXPECT_EQ(call.run(), "");
    EXPECT_TRUE(call.responseHeaders.starts_with("HTTP/1.1 302 Found\r\n"));
    EXPECT_TRUE(plain.requests().empty());
}

TEST_F(Https, ProxyTunnelsWithConnect) {
    TestServer secure(respondWith(kSecret), tls_.get());
    const int target = secure.port();
    TestServer proxy([target](Connection& c) {
        if (!c.readRequest()) return;
        c.send("HTTP/1.1 200 Connection established\r\n\r\n");
        c.relayTo(target);
    });
    Call call = trusting(secure.url("/t"));
    call.proxy = "127.0.0.1:" + std::to_string(proxy.port());
    EXPECT_EQ(call.run(), "secret");
    ASSERT_EQ(proxy.requests().size(), 1u);
    EXPECT_EQ(firstLine(proxy.requests()[0]),
              "CONNECT 127.0.0.1:" + std::to_string(target) + " HTTP/1.1");
    // The caller's header block goes to the server, not to the proxy.
    EXPECT_EQ(proxy.requests()[0].find("Referer"), std::string::npos);
    EXPECT_TRUE(call.responseHeaders.starts_with("HTTP/1.1 200 OK\r\n"));
    ASSERT_EQ(secure.requests().size(), 1u);
    EXPECT_EQ(firstLine(secure.requests()[0]), "GET /t HTTP/1.1");
}
