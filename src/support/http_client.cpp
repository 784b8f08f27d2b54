// The loaders' HTTP client on libcurl: one easy handle for the whole run so its
// in-memory cookies outlive each request, driven through a multi handle.
#include "support/http_client.h"

#include <curl/curl.h>

#include <cerrno>
#include <charconv>
#include <mutex>
#include <optional>
#include <string_view>

namespace brelvik {

namespace {

using Clock = std::chrono::steady_clock;

// How long one wait for network activity may last before cancellation and the
// stall limit are looked at again.
constexpr int kPollIntervalMs = 50;

constexpr char kUserAgent[] = "Mozilla/3.0 (compatible; Indy Library)";

std::string_view TrimLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  return line;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// "host:port" of an address for error messages; the address itself when it
// cannot be parsed.
std::string HostAndPort(const std::string& url) {
  CURLU* parsed = curl_url();
  std::string result = url;
  if (parsed != nullptr &&
      curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
    char* host = nullptr;
    char* port = nullptr;
    if (curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
      result = std::string(host) + ":" + port;
    }
    curl_free(host);
    curl_free(port);
  }
  curl_url_cleanup(parsed);
  return result;
}

// What one Get has seen so far; the callbacks fill it in and may stop the
// transfer by recording why.
struct Transfer {
  const HttpLimits* limits = nullptr;
  std::string url;
  std::string body;
  std::string status_line;
  long status_code = 0;
  std::optional<std::size_t> content_length;
  bool request_sent = false;
  Clock::time_point last_activity;
  std::optional<Failure> failure;  // set when a callback or a limit stopped the transfer

  void Fail(FailureKind kind, std::uint64_t amount = 0, std::string detail = {}) {
    failure = Failure{kind, url, std::move(detail), amount};
  }
};

[[noreturn]] void Fail(FailureKind kind, std::string where, std::uint64_t amount = 0,
                       std::string detail = {}) {
  throw HttpError(Failure{kind, std::move(where), std::move(detail), amount});
}

bool IsSuccess(long status) { return status >= 200 && status < 300; }

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const std::size_t length = size * count;
  transfer.last_activity = Clock::now();
  const std::string_view line = TrimLineEnd(std::string_view(data, length));

  if (StartsWithNoCase(line, "http/")) {
    // A new answer begins (after an interim 1xx one, for example).
    transfer.status_line = std::string(line);
    transfer.content_length.reset();
    transfer.status_code = 0;
    const auto space = line.find(' ');
    if (space != std::string_view::npos) {
      const auto code = line.substr(space + 1, 3);
      std::from_chars(code.data(), code.data() + code.size(), transfer.status_code);
    }
    return length;
  }
  if (StartsWithNoCase(line, "content-length:")) {
    // One length, or a list of the same one ("5, 5"), in one header or
    // several: two different ones leave the body's end unknown, which HTTP
    // says makes the answer unusable.
    std::string_view value = line.substr(15);
    while (!value.empty()) {
      const std::size_t comma = value.find(',');
      std::string_view item = value.substr(0, comma);
      value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
      while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
      std::size_t parsed = 0;
      const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), parsed);
      if (error != std::errc() || end == item.data()) continue;
      if (transfer.content_length && *transfer.content_length != parsed) {
        transfer.Fail(FailureKind::kConflictingLength);
        return 0;
      }
      transfer.content_length = parsed;
    }
    return length;
  }
  if (!line.empty() || transfer.status_code < 200) return length;

  // The headers of the final answer are complete: refuse what would be
  // discarded or refused anyway before its body is read.
  if (!IsSuccess(transfer.status_code)) {
    transfer.Fail(FailureKind::kHttpStatus, 0, transfer.status_line);
    return 0;
  }
  if (transfer.content_length && *transfer.content_length > transfer.limits->max_body_bytes) {
    transfer.Fail(FailureKind::kTooLarge, transfer.limits->max_body_bytes);
    return 0;
  }
  // A body of announced size is read into room made once, not into a string
  // that doubles (and for a moment holds up to three times the page).
  if (transfer.content_length) transfer.body.reserve(*transfer.content_length);
  return length;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const std::size_t length = size * count;
  transfer.last_activity = Clock::now();
  if (transfer.body.size() + length > transfer.limits->max_body_bytes) {
    transfer.Fail(FailureKind::kTooLarge, transfer.limits->max_body_bytes);
    return 0;
  }
  transfer.body.append(data, length);
  return length;
}

// Called once the connection is there, just before the request goes out:
// from here on, silence counts as a stall rather than a slow connect.
int OnRequestSending(void* user, char*, char*, int, int) {
  auto& transfer = *static_cast<Transfer*>(user);
  transfer.request_sent = true;
  transfer.last_activity = Clock::now();
  return CURL_PREREQFUNC_OK;
}

}  // namespace

void InitHttpLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
      throw HttpError(Failure::Other("The HTTP library could not be initialised"));
    }
  });
}

struct HttpClient::Impl {
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  curl_slist* headers = nullptr;
  char error_buffer[CURL_ERROR_SIZE] = {};
  std::mutex mutex;

  ~Impl() {
    if (multi != nullptr) curl_multi_cleanup(multi);
    if (easy != nullptr) curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
  }
};

HttpClient::HttpClient(HttpLimits limits) : limits_(limits), impl_(std::make_unique<Impl>()) {
  InitHttpLibrary();
  impl_->easy = curl_easy_init();
  impl_->multi = curl_multi_init();
  if (impl_->easy == nullptr || impl_->multi == nullptr) {
    throw HttpError(Failure::Other("The HTTP client could not be created"));
  }
  impl_->headers = curl_slist_append(impl_->headers, "Accept: text/html, */*");
  impl_->headers = curl_slist_append(impl_->headers, "Content-Type: text/html");

  CURL* easy = impl_->easy;
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, impl_->error_buffer);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, impl_->headers);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  // An empty proxy also overrides the proxy environment variables.
  curl_easy_setopt(easy, CURLOPT_PROXY, "");
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
  // An empty file name turns the cookie engine on without reading a file;
  // with no cookie jar set, nothing is ever written.
  curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
  if (limits_.connect_timeout.count() > 0) {
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(limits_.connect_timeout.count()));
  }
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, OnRequestSending);
}

HttpClient::~HttpClient() = default;

std::string HttpClient::Get(const std::string& url, const CancelToken& cancel) {
  std::lock_guard lock(impl_->mutex);
  if (cancel.Cancelled()) throw HttpCancelled();

  CURL* easy = impl_->easy;
  CURLM* multi = impl_->multi;
  Transfer transfer;
  transfer.limits = &limits_;
  transfer.url = url;
  const Clock::time_point start = Clock::now();
  impl_->error_buffer[0] = '\0';
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, &transfer);

  if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
    throw HttpError(Failure::Other("The HTTP client could not start a request"));
  }
  struct Detach {
    CURLM* multi;
    CURL* easy;
    ~Detach() { curl_multi_remove_handle(multi, easy); }
  } detach{multi, easy};

  // The transfer is driven here rather than by curl_easy_perform so that a
  // cancel, a stall or the deadline is noticed within one poll interval even
  // while curl waits on a silent socket. The deadline is kept here too, not
  // by curl, so that curl's time-out error always means the connect limit.
  std::optional<CURLcode> result;
  bool cancelled = false;
  while (!result) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      throw HttpError(Failure::Other("The HTTP client failed while sending the request"));
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
        result = message->data.result;
      }
    }
    if (result) break;
    if (cancel.Cancelled()) {
      cancelled = true;
      break;
    }
    const Clock::time_point now = Clock::now();
    if (limits_.total_timeout.count() > 0 && now - start > limits_.total_timeout) {
      transfer.Fail(FailureKind::kDeadline, limits_.total_timeout.count());
      break;
    }
    if (transfer.request_sent && limits_.stall_timeout.count() > 0 &&
        now - transfer.last_activity > limits_.stall_timeout) {
      transfer.Fail(FailureKind::kStallTimeout, limits_.stall_timeout.count());
      break;
    }
    curl_multi_poll(multi, nullptr, 0, kPollIntervalMs, nullptr);
  }

  if (cancelled) throw HttpCancelled();
  if (transfer.failure) throw HttpError(std::move(*transfer.failure));

  switch (*result) {
    case CURLE_OK:
      break;
    case CURLE_COULDNT_RESOLVE_HOST:
      Fail(FailureKind::kHostNotFound, HostAndPort(url));
    case CURLE_COULDNT_CONNECT: {
      long os_error = 0;
      curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &os_error);
      if (os_error == ECONNREFUSED) Fail(FailureKind::kConnectionRefused, HostAndPort(url));
      Fail(FailureKind::kConnectFailed, HostAndPort(url), 0, impl_->error_buffer);
    }
    case CURLE_OPERATION_TIMEDOUT:
      // curl keeps only the connect limit, so only it ends a request so.
      Fail(FailureKind::kConnectTimeout, HostAndPort(url), limits_.connect_timeout.count());
    case CURLE_URL_MALFORMAT:
      Fail(FailureKind::kBadAddress, url);
    case CURLE_UNSUPPORTED_PROTOCOL:
      // Before the request a scheme curl does not speak; after it an answer
      // without a valid status line (HTTP/0.9, "HTTP/1.1 2x0 OK").
      Fail(transfer.request_sent ? FailureKind::kNotHttp : FailureKind::kBadAddress, url);
    case CURLE_WEIRD_SERVER_REPLY:
      Fail(FailureKind::kNotHttp, url);
    case CURLE_OUT_OF_MEMORY:
      // What curl reports for a header line over its limit.
      if (transfer.request_sent) Fail(FailureKind::kHeaderTooLong, url);
      [[fallthrough]];
    default:
      throw HttpError(Failure::Other(impl_->error_buffer[0] != '\0'
                                         ? std::string(impl_->error_buffer)
                                         : std::string(curl_easy_strerror(*result))));
  }

  long status = transfer.status_code;
  if (status == 0) curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  if (!IsSuccess(status)) {
    Fail(FailureKind::kHttpStatus, url, 0,
         transfer.status_line.empty() ? "HTTP/1.1 " + std::to_string(status)
                                      : transfer.status_line);
  }
  return std::move(transfer.body);
}

}  // namespace brelvik
