#include "test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace quillon::web::testing {
namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds remaining(Clock::time_point deadline) {
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
                    0ms);
}

bool waitReadable(int fd, std::chrono::milliseconds limit) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, static_cast<int>(limit.count())) > 0;
}

int connectLoopback(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

size_t contentLength(std::string_view head) {
    const std::string value = headerValue(head, "Content-Length");
    return value.empty() ? 0 : std::strtoul(value.c_str(), nullptr, 10);
}

}  // namespace

Connection::Connection(int fd, SSL* ssl, Recorder recorder)
    : fd_(fd), ssl_(ssl), recorder_(std::move(recorder)) {}

Connection::~Connection() {
    if (ssl_ != nullptr) {
        SSL_shutdown(ssl_);
        SSL_free(ssl_);
    }
    close(fd_);
}

long Connection::readSome(char* buffer, size_t size, std::chrono::milliseconds limit) {
    if (ssl_ == nullptr || SSL_pending(ssl_) == 0) {
        if (!waitReadable(fd_, limit)) return -1;
    }
    if (ssl_ == nullptr) return recv(fd_, buffer, size, 0);
    const int n = SSL_read(ssl_, buffer, static_cast<int>(size));
    if (n > 0) return n;
    return SSL_get_error(ssl_, n) == SSL_ERROR_ZERO_RETURN ? 0 : -1;
}

std::optional<std::string> Connection::readRequest(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::string data = std::move(pending_);
    pending_.clear();
    char buffer[4096];
    for (;;) {
        const size_t headEnd = data.find("\r\n\r\n");
        if (headEnd != std::string::npos) {
            const size_t total = headEnd + 4 + contentLength(data.substr(0, headEnd + 2));
            if (data.size() >= total) {
                pending_ = data.substr(total);
                data.resize(total);
                recorder_(data);
                return data;
            }
        }
        const long n = readSome(buffer, sizeof buffer, remaining(deadline));
        if (n <= 0) return std::nullopt;
        data.append(buffer, static_cast<size_t>(n));
    }
}

bool Connection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const long n = ssl_ != nullptr
                           ? SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size()))
                           : ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void Connection::waitForClose(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    char buffer[4096];
    while (Clock::now() < deadline) {
        if (readSome(buffer, sizeof buffer, remaining(deadline)) <= 0) return;
    }
}

void Connection::relayTo(int port, std::chrono::milliseconds limit) {
    const int target = connectLoopback(port);
    if (target < 0) return;
    if (!pending_.empty()) ::send(target, pending_.data(), pending_.size(), MSG_NOSIGNAL);
    const auto deadline = Clock::now() + limit;
    char buffer[16384];
    bool open = true;
    while (open && Clock::now() < deadline) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {target, POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(remaining(deadline).count())) <= 0) break;
        for (int i = 0; i < 2 && open; ++i) {
            if (fds[i].revents == 0) continue;
            const long n = recv(fds[i].fd, buffer, sizeof buffer, 0);
            const int to = i == 0 ? target : fd_;
            open = n > 0 && ::send(to, buffer, static_cast<size_t>(n), MSG_NOSIGNAL) == n;
        }
    }
    close(target);
}

TlsContext::TlsContext(const std::string& certFile, const std::string& keyFile)
    : ctx_(SSL_CTX_new(TLS_server_method())) {
    if (ctx_ == nullptr) return;
    if (SSL_CTX_use_certificate_file(ctx_, certFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(ctx_, keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(ctx_);
        ctx_ = nullptr;
    }
}

TlsContext::~TlsContext() {
    if (ctx_ != nullptr) SSL_CTX_free(ctx_);
}

TestServer::TestServer(Script script, const TlsContext* tls)
    : script_(std::move(script)), tls_(tls) {
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        listen(listenFd_, 16) == 0 &&
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port_ = ntohs(address.sin_port);
    }
    thread_ = std::thread([this] { run(); });
}

TestServer::~TestServer() {
    stop_ = true;
    thread_.join();
    close(listenFd_);
}

std::string TestServer::url(std::string_view path) const {
    return std::string(tls_ != nullptr ? "https" : "http") +
           "://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> TestServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void TestServer::run() {
    const auto record = [this](const std::string& request) {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    };
    while (!stop_) {
        if (!waitReadable(listenFd_, 20ms)) continue;
        const int fd = accept(listenFd_, nullptr, nullptr);
        if (fd < 0) continue;
        ++connections_;
        // No single read or write may block for long; a stuck peer ends the connection.
        const timeval timeout{5, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        SSL* ssl = nullptr;
        if (tls_ != nullptr) {
            ssl = SSL_new(tls_->get());
            SSL_set_fd(ssl, fd);
            if (SSL_accept(ssl) != 1) {
                SSL_free(ssl);
                close(fd);
                continue;
            }
        }
        Connection connection(fd, ssl, record);
        script_(connection);
    }
}

TestServer::Script respondWith(std::string response) {
    return [response = std::move(response)](Connection& connection) {
        if (connection.readRequest()) connection.send(response);
    };
}

std::string httpResponse(std::string_view status, std::string_view headerLines,
                         std::string_view body) {
    std::string out = "HTTP/1.1 " + std::string(status) + "\r\n" + std::string(headerLines);
    out += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    out += body;
    return out;
}

std::string headerValue(std::string_view request, std::string_view name) {
    const std::string key = "\r\n" + std::string(name) + ": ";
    const size_t at = request.find(key);
    if (at == std::string_view::npos) return {};
    const size_t begin = at + key.size();
    return std::string(request.substr(begin, request.find("\r\n", begin) - begin));
}

}  // namespace quillon::web::testing
