#pragma once
// One HTTP/1.1 exchange on a libcurl easy handle: the transport underneath HttpRequest.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/text.h"
#include "web/http_request_detail.h"

namespace quillon::web::detail {

// Where and how the request goes.
struct ExchangeTarget {
    bool https = false;
    std::string host;
    int port = 0;  // 0: the scheme's default port
    std::string path;
    std::string proxy;  // "host:port"; empty: a direct connection
    std::string verb;   // "GET", "POST" or "HEAD"
    std::string agent;
    bool cookieStore = false;  // keep cookies in the process-wide store
    bool followRedirects = true;
};

struct ExchangeResult {
    ByteSet body;
    Text rawHeaders;  // status line and header lines of the final response, CR LF ended
};

class CurlExchange {
  public:
    explicit CurlExchange(const TransportSettings& settings);
    ~CurlExchange();
    CurlExchange(const CurlExchange&) = delete;
    CurlExchange& operator=(const CurlExchange&) = delete;

    // Prepares the request; false when none can be made for the target (no handle, a host or
    // port that is no valid address).
    bool Open(const ExchangeTarget& target);

    // Sends the header lines (CR LF separated) and, for POST and HEAD, the body; then reads the
    // response. Nothing arrives (empty result) when the server cannot be reached or a time limit
    // ends the request.
    ExchangeResult Perform(std::string_view headerBlock, std::optional<ByteView> body);

  private:
    struct Handles;
    TransportSettings settings_;
    ExchangeTarget target_;
    std::unique_ptr<Handles> handles_;
};

}  // namespace quillon::web::detail
