#include "web/curl_exchange.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <mutex>
#include <stop_token>

namespace quillon::web::detail {
namespace {

using Clock = std::chrono::steady_clock;

// libcurl's global state, and the cookie store that requests without their own cookie set
// share. Made once, when the program starts, and released when it ends.
class CurlRuntime {
  public:
    CurlRuntime() {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        share_ = curl_share_init();
        if (share_ == nullptr) return;
        curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &CurlRuntime::lock);
        curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &CurlRuntime::unlock);
        curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }
    ~CurlRuntime() {
        if (share_ != nullptr) curl_share_cleanup(share_);
        curl_global_cleanup();
    }
    CurlRuntime(const CurlRuntime&) = delete;
    CurlRuntime& operator=(const CurlRuntime&) = delete;

    CURLSH* cookieShare() const { return share_; }

  private:
    // Called by libcurl: nothing may throw through it. It names only the data kinds it knows.
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self) noexcept {
        if (data < CURL_LOCK_DATA_LAST) static_cast<CurlRuntime*>(self)->locks_[data].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* self) noexcept {
        if (data < CURL_LOCK_DATA_LAST) static_cast<CurlRuntime*>(self)->locks_[data].unlock();
    }

    CURLSH* share_ = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;
};

const CurlRuntime& curlRuntime() {
    static const CurlRuntime runtime;
    return runtime;
}

// libcurl's global initialisation is not thread-safe: do it before anything else can run.
[[maybe_unused]] const CurlRuntime& startup = curlRuntime();

// What the callbacks collect while the transfer runs.
struct Transfer {
    ExchangeResult result;
    bool inHeaderBlock = false;
    bool connected = false;
    // Set when the transfer was abandoned: a time limit, the size limit, no memory, a stop.
    bool abandoned = false;
    std::chrono::milliseconds idle{};
    std::size_t limit = 0;  // bytes of the body, and of one header block
    std::stop_token stop;
    Clock::time_point lastActivity = Clock::now();
    curl_off_t received = 0;
    curl_off_t sent = 0;
};

// A write callback that returns a count other than the one it was given ends the transfer.
constexpr size_t kRefuse = 0;

// Appends `length` bytes within the transfer's limit; false when they do not fit or memory runs
// out. Nothing may throw through libcurl, so the failure is caught here.
template <typename Buffer>
bool keep(Transfer& t, Buffer& buffer, const char* data, size_t length) noexcept {
    if (length > t.limit - std::min(t.limit, buffer.size())) return false;
    try {
        buffer.insert(buffer.end(), data, data + length);
        return true;
    } catch (...) {
        return false;
    }
}

// Collects the header block of each response; a new status line starts a new response (after a
// redirect or an interim 1xx), and lines after the block's empty line (trailers) are ignored.
size_t onHeader(char* data, size_t size, size_t count, void* user) noexcept {
    auto& t = *static_cast<Transfer*>(user);
    const size_t length = size * count;
    t.lastActivity = Clock::now();
    std::string_view line(data, length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (!t.inHeaderBlock) {
        if (line.substr(0, 5) != "HTTP/") return length;
        t.result.body.clear();
        t.result.rawHeaders.clear();
        t.inHeaderBlock = true;
    }
    if (!keep(t, t.result.rawHeaders, line.data(), line.size()) ||
        !keep(t, t.result.rawHeaders, "\r\n", 2)) {
        t.abandoned = true;
        return kRefuse;
    }
    if (line.empty()) t.inHeaderBlock = false;
    return length;
}

size_t onBody(char* data, size_t size, size_t count, void* user) noexcept {
    auto& t = *static_cast<Transfer*>(user);
    const size_t length = size * count;
    t.lastActivity = Clock::now();
    if (length != 0 && !keep(t, t.result.body, data, length)) {
        t.abandoned = true;
        return kRefuse;
    }
    return length;
}

int onProgress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent) noexcept {
    auto& t = *static_cast<Transfer*>(user);
    if (t.stop.stop_requested()) {
        t.abandoned = true;
        return 1;  // abandons the transfer
    }
    const auto now = Clock::now();
    if (received != t.received || sent != t.sent) {
        t.received = received;
        t.sent = sent;
        t.lastActivity = now;
    }
    if (t.connected && now - t.lastActivity >= t.idle) {
        t.abandoned = true;
        return 1;
    }
    return 0;
}

// Called once a connection stands, before the request goes out: from here on the idle limit
// applies (until then the connect limit does).
int onConnected(void* user, char*, char*, int, int) noexcept {
    auto& t = *static_cast<Transfer*>(user);
    t.connected = true;
    t.lastActivity = Clock::now();
    return CURL_PREREQFUNC_OK;
}

// Spaces and control bytes are percent-encoded, and so are bytes above 0x7F before the query:
// libcurl would encode those itself (in lower case). The rest goes out as given.
std::string encodePath(std::string_view path) {
    const size_t query = path.find('?');
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (byte <= 0x20 || byte == 0x7F || (byte > 0x7F && i < query)) {
            appendPercentEscape(byte, out);
        } else {
            out += path[i];
        }
    }
    return out;
}

bool isValidHost(std::string_view host) {
    if (host.empty()) return false;
    for (const char c : host) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F ||
            std::string_view("@/\\?#[]%").find(c) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

// Header lines for libcurl: one per line of the block, empty lines dropped. A line whose value is
// blank is written "Name;", which libcurl sends as "Name:" (it would drop "Name:" instead).
curl_slist* headerList(std::string_view block) {
    curl_slist* list = nullptr;
    size_t begin = 0;
    while (begin <= block.size()) {
        size_t end = block.find_first_of("\r\n", begin);
        if (end == std::string_view::npos) end = block.size();
        std::string line(block.substr(begin, end - begin));
        begin = end + 1;
        if (line.empty()) continue;
        const size_t colon = line.find(':');
        if (colon != std::string::npos && colon > 0 &&
            line.find_first_not_of(" \t", colon + 1) == std::string::npos) {
            line.resize(colon);
            line += ';';
        }
        curl_slist* grown = curl_slist_append(list, line.c_str());
        if (grown == nullptr) break;
        list = grown;
    }
    // The body goes out at once; no "Expect: 100-continue" round trip.
    if (curl_slist* grown = curl_slist_append(list, "Expect:")) list = grown;
    return list;
}

}  // namespace

struct CurlExchange::Handles {
    struct EasyDeleter {
        void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
    };
    struct UrlDeleter {
        void operator()(CURLU* url) const { curl_url_cleanup(url); }
    };
    struct ListDeleter {
        void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    };
    // Declared so that the easy handle goes first: it may refer to the URL and the list.
    std::unique_ptr<CURLU, UrlDeleter> url;
    std::unique_ptr<curl_slist, ListDeleter> headers;
    std::unique_ptr<CURL, EasyDeleter> easy;
};

CurlExchange::CurlExchange(const TransportSettings& settings)
    : settings_(settings), handles_(std::make_unique<Handles>()) {}

CurlExchange::~CurlExchange() = default;

bool CurlExchange::Open(const ExchangeTarget& target) {
    target_ = target;
    if (!isValidHost(target.host) || target.port < 0 || target.port > 65535) return false;
    handles_->url.reset(curl_url());
    handles_->easy.reset(curl_easy_init());
    if (!handles_->url || !handles_->easy) return false;
    const int port = target.port != 0 ? target.port : (target.https ? 443 : 80);
    const std::string url = std::string(target.https ? "https://" : "http://") + target.host + ":" +
                            std::to_string(port) + encodePath(target.path);
    return curl_url_set(handles_->url.get(), CURLUPART_URL, url.c_str(), CURLU_PATH_AS_IS) ==
           CURLUE_OK;
}

namespace {

void applyTarget(CURL* easy, CURLU* url, const ExchangeTarget& target,
                 const TransportSettings& settings) {
    curl_easy_setopt(easy, CURLOPT_CURLU, url);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // A redirect may lead from HTTP to HTTPS, never from HTTPS down to plain HTTP.
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, target.https ? "https" : "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, target.followRedirects ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, target.agent.c_str());
    // An empty proxy text also keeps libcurl from taking one from the environment.
    curl_easy_setopt(easy, CURLOPT_PROXY, target.proxy.c_str());
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(settings.limits.connect.count()));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(settings.limits.total.count()));
    // A body announced larger than the limit is refused before it comes; the write callback
    // holds the limit for the rest.
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(settings.limits.body));
    if (!settings.caFile.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, settings.caFile.c_str());
    if (target.cookieStore && curlRuntime().cookieShare() != nullptr) {
        curl_easy_setopt(easy, CURLOPT_SHARE, curlRuntime().cookieShare());
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");  // the engine on, no file read
    }
}

void applyCallbacks(CURL* easy, Transfer& transfer) {
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &onConnected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, &transfer);
}

void applyMethod(CURL* easy, std::string_view verb, std::optional<ByteView> body) {
    if (verb == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else if (verb == "POST") {
        static const char kNoBytes[] = "";
        const ByteView bytes = body.value_or(ByteView{});
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bytes.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS,
                         bytes.empty() ? kNoBytes : reinterpret_cast<const char*>(bytes.data()));
    }
}

}  // namespace

ExchangeResult CurlExchange::Perform(std::string_view headerBlock, std::optional<ByteView> body) {
    CURL* easy = handles_->easy.get();
    if (easy == nullptr) return {};
    Transfer transfer;
    transfer.idle = settings_.limits.idle;
    transfer.limit = settings_.limits.body;
    transfer.stop = settings_.stop;
    handles_->headers.reset(headerList(headerBlock));
    applyTarget(easy, handles_->url.get(), target_, settings_);
    applyCallbacks(easy, transfer);
    applyMethod(easy, target_.verb, body);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, handles_->headers.get());

    const CURLcode code = curl_easy_perform(easy);
    // A request ended by a limit or a stop, or one whose header block never completed, counts as
    // one that got no response. A body cut short by the server is returned as far as it came.
    if (code == CURLE_OPERATION_TIMEDOUT || code == CURLE_FILESIZE_EXCEEDED || transfer.abandoned ||
        transfer.inHeaderBlock) {
        return {};
    }
    return std::move(transfer.result);
}

}  // namespace quillon::web::detail
