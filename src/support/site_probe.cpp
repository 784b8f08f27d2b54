// The site probe on libcurl: a fresh handle per call, redirections followed,
// and the body left unread once the final status is known.
#include "support/site_probe.h"

#include <curl/curl.h>

#include <optional>

#include "support/http_client.h"

namespace brelvik {

namespace {

constexpr int kPollIntervalMs = 50;
constexpr long kMaxRedirections = 10;

struct ProbeState {
  bool stopped_at_body = false;
};

// curl passes over the bodies of the redirections it follows, so the first
// body byte belongs to the final answer, whose status is all the probe needs.
std::size_t OnBody(char*, std::size_t, std::size_t, void* user) {
  static_cast<ProbeState*>(user)->stopped_at_body = true;
  return 0;
}

bool Probe(const std::string& address, const ProbeLimits& limits, const CancelToken& cancel) {
  InitHttpLibrary();
  CURL* easy = curl_easy_init();
  CURLM* multi = curl_multi_init();
  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, "Cache-Control: no-cache");
  headers = curl_slist_append(headers, "Pragma: no-cache");
  struct Release {
    CURL* easy;
    CURLM* multi;
    curl_slist* headers;
    ~Release() {
      if (multi != nullptr && easy != nullptr) curl_multi_remove_handle(multi, easy);
      if (easy != nullptr) curl_easy_cleanup(easy);
      if (multi != nullptr) curl_multi_cleanup(multi);
      curl_slist_free_all(headers);
    }
  } release{easy, multi, headers};
  if (easy == nullptr || multi == nullptr || headers == nullptr) return false;

  ProbeState state;
  const std::string url = ProbeAddress(address);
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "InetURL:/1.0");
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirections);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_PROXY, "");
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
  if (limits.connect_timeout.count() > 0) {
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(limits.connect_timeout.count()));
  }
  if (limits.total_timeout.count() > 0) {
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total_timeout.count()));
  }
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state);

  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return false;

  // Driven by hand, as in the HTTP client, so a cancel is seen within one poll.
  std::optional<CURLcode> result;
  while (!result) {
    if (cancel.Cancelled()) return false;
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) return false;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
        result = message->data.result;
      }
    }
    if (!result) curl_multi_poll(multi, nullptr, 0, kPollIntervalMs, nullptr);
  }

  const bool answered =
      *result == CURLE_OK || (*result == CURLE_WRITE_ERROR && state.stopped_at_body);
  if (!answered) return false;
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  return status == 200 || status == 302;
}

}  // namespace

std::string ProbeAddress(const std::string& address) {
  std::string lowered = address;
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  // An address already given with the secure scheme keeps it: a prefix would
  // turn it into nonsense.
  if (lowered.find("http://") != std::string::npos ||
      lowered.find("https://") != std::string::npos) {
    return address;
  }
  return "http://" + address;
}

bool SiteAvailable(const std::string& address, const ProbeLimits& limits,
                   const CancelToken& cancel) {
  try {
    return Probe(address, limits, cancel);
  } catch (...) {
    return false;
  }
}

}  // namespace brelvik
