#pragma once
// A scripted HTTP server on 127.0.0.1 for the web tests: it accepts connections one after the
// other on its own thread, runs the test's script on each, and records the exact bytes of every
// request it reads. Scripts may misbehave on purpose (stall, close early, act as a proxy).
// Every wait is bounded, so a server always stops by itself.
#include <openssl/types.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quillon::web::testing {

using namespace std::chrono_literals;

class Connection {
  public:
    using Recorder = std::function<void(const std::string&)>;
    Connection(int fd, SSL* ssl, Recorder recorder);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Reads one request: the header block and as many body bytes as its Content-Length names.
    // Empty when the client closed or nothing complete arrived within the limit.
    std::optional<std::string> readRequest(std::chrono::milliseconds limit = 5s);
    bool send(std::string_view bytes);
    // Waits until the client closes the connection or the limit passes.
    void waitForClose(std::chrono::milliseconds limit = 10s);
    // Relays bytes between the client and 127.0.0.1:`port` until either side closes.
    void relayTo(int port, std::chrono::milliseconds limit = 10s);

  private:
    // Bytes read, 0 on close, -1 on error or when nothing came within the limit.
    long readSome(char* buffer, size_t size, std::chrono::milliseconds limit);

    int fd_;
    SSL* ssl_;
    Recorder recorder_;
    std::string pending_;
};

// A TLS server context over a certificate and key in PEM files.
class TlsContext {
  public:
    TlsContext(const std::string& certFile, const std::string& keyFile);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;
    SSL_CTX* get() const { return ctx_; }
    bool valid() const { return ctx_ != nullptr; }

  private:
    SSL_CTX* ctx_ = nullptr;
};

class TestServer {
  public:
    using Script = std::function<void(Connection&)>;
    explicit TestServer(Script script, const TlsContext* tls = nullptr);
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" (or https) followed by `path`.
    std::string url(std::string_view path = "/") const;
    std::vector<std::string> requests() const;
    int connections() const { return connections_; }

  private:
    void run();

    Script script_;
    const TlsContext* tls_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A script that reads one request and sends `response`.
TestServer::Script respondWith(std::string response);

// A complete response with the given status line, extra header lines (each ending in CR LF)
// and a Content-Length body.
std::string httpResponse(std::string_view status, std::string_view headerLines,
                         std::string_view body);

// The value of a request's header `name` (exact spelling), or empty.
std::string headerValue(std::string_view request, std::string_view name);

}  // namespace quillon::web::testing
