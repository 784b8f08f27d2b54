// What the loader tests share: case names from descriptions, a provider's site
// on a loopback server, and the checks every load's requests and failures pass.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "loaders/load_frame.h"
#include "support/loopback_server.h"

namespace brelvik::test {

// A GoogleTest name for a case: its description, every character but a letter
// or a digit made "_". Usable as INSTANTIATE_TEST_SUITE_P's name generator.
struct CaseName {
  static std::string Of(std::string_view what) {
    std::string name(what);
    for (char& c : name) {
      if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
  }
  template <typename Case>
  std::string operator()(const testing::TestParamInfo<Case>& info) const {
    return Of(info.param.what);
  }
};

// A page and the rows a loader's body must cut from it.
struct PageCase {
  const char* what;
  std::string page;
  ChannelRows rows;
};

inline void PrintTo(const PageCase& c, std::ostream* os) { *os << c.what; }

// A provider's site on a loopback server. Its root answers the probe, `path`
// answers with the page (the root itself when `path` is "/"), anything else is
// not found; every request is logged.
class ProviderSite {
 public:
  ProviderSite(std::string path, std::string page,
               std::string content_type = "text/html; charset=utf-8", int status = 200)
      : path_(std::move(path)),
        content_type_(std::move(content_type)),
        page_(std::move(page)),
        status_(status),
        server_([this](httplib::Server& s) {
          if (path_ != "/") {
            s.Get("/", [this](const httplib::Request& req, httplib::Response& res) {
              log_.Record(req);
              res.set_content("<html></html>", "text/html");
            });
          }
          s.Get(path_, [this](const httplib::Request& req, httplib::Response& res) {
            log_.Record(req);
            std::lock_guard lock(mutex_);
            page_requests_.push_back({req.target, req.params});
            res.status = status_;
            res.set_content(page_, content_type_);
          });
        }) {}

  // What `path` answers from now on.
  void Serve(std::string page, int status = 200) {
    std::lock_guard lock(mutex_);
    page_ = std::move(page);
    status_ = status;
  }

  std::string Url(std::string_view path = "/") const { return server_.Url(path); }

  // Points the address `name` ("ntvplus", "zakon.tv") of `sites` here.
  void Override(ProviderSites& sites, const std::string& name) const {
    EXPECT_EQ(sites.Override(name + "=" + Url("")), "") << name;
  }
  ProviderSites SitesFor(const std::string& name) const {
    ProviderSites sites;
    Override(sites, name);
    return sites;
  }

  std::vector<RecordedRequest> Requests() const { return log_.Requests(); }
  std::size_t RequestCount() const { return log_.Count(); }

  // The requests for the page: target (path and query as sent) and query.
  struct PageRequest {
    std::string target;
    httplib::Params query;
  };
  std::vector<PageRequest> PageRequests() const {
    std::lock_guard lock(mutex_);
    return page_requests_;
  }

 private:
  const std::string path_;
  const std::string content_type_;
  mutable std::mutex mutex_;
  std::string page_;
  int status_;
  std::vector<PageRequest> page_requests_;
  RequestLog log_;
  LoopbackServer server_;  // last: its handlers use the members above
};

// The probe: a request for the site's root with the probe's own agent.
inline testing::AssertionResult IsProbe(const RecordedRequest& request) {
  if (request.path != "/") return testing::AssertionFailure() << "probe of " << request.path;
  if (request.Header("User-Agent") != "InetURL:/1.0") {
    return testing::AssertionFailure() << "probe without the probe's User-Agent";
  }
  return testing::AssertionSuccess();
}

// A request for `path` with the headers every page request sends.
inline testing::AssertionResult IsPageRequest(const RecordedRequest& request,
                                              std::string_view path) {
  if (request.path != path) return testing::AssertionFailure() << "request of " << request.path;
  const std::pair<const char*, const char*> headers[] = {
      {"Accept", "text/html, */*"},
      {"Content-Type", "text/html"},
      {"User-Agent", "Mozilla/3.0 (compatible; Indy Library)"}};
  for (const auto& [name, value] : headers) {
    if (request.Header(name) != value) {
      return testing::AssertionFailure()
             << "request of " << path << ": " << name << " is "
             << request.Header(name).value_or("missing or repeated") << ", not " << value;
    }
  }
  return testing::AssertionSuccess();
}

// A load that failed on the server's 500 answer and gave no rows.
inline testing::AssertionResult FailedOnServerError(const LoadResult& result) {
  if (result.status != LoadStatus::kFailed) return testing::AssertionFailure() << "not failed";
  if (result.failure.kind != FailureKind::kHttpStatus ||
      result.failure.detail != "HTTP/1.1 500 Internal Server Error" ||
      !result.error.starts_with("HTTP/1.1 500 Internal Server Error: http://")) {
    return testing::AssertionFailure() << "failed with \"" << result.error << "\"";
  }
  if (!result.rows.empty()) return testing::AssertionFailure() << "failed with rows";
  return testing::AssertionSuccess();
}

// One load of the provider `key` from a site serving `page` at `path`, which
// must be asked exactly twice: the probe, then the page.
struct ServedLoad {
  LoadResult result;
  std::string site;           // the site's address, as the provider's address
  std::string probe_address;  // what the loader probes there
  ProviderSite::PageRequest page_request;
};

inline ServedLoad LoadServedPage(const std::string& key, const std::string& path,
                                 const std::string& page,
                                 const std::string& content_type = "text/html; charset=utf-8") {
  ProviderSite site(path, page, content_type);
  const ProviderSites sites = site.SitesFor(key);
  HttpClient http;
  ServedLoad load{RunLoad(*FindProvider(key), http, sites),
                  site.Url(""),
                  LoaderFor(key).probe_address(sites),
                  {}};
  const auto requests = site.Requests();
  EXPECT_EQ(requests.size(), 2u) << key;
  if (requests.size() == 2) {
    EXPECT_TRUE(IsProbe(requests[0])) << key;
    EXPECT_TRUE(IsPageRequest(requests[1], path)) << key;
  }
  const auto page_requests = site.PageRequests();
  if (!page_requests.empty()) load.page_request = page_requests.back();
  return load;
}

// One load of the provider `key` whose page request at `path` gets a 500
// answer carrying `page`.
inline LoadResult LoadAgainstServerError(const std::string& key, const std::string& path,
                                         const std::string& page = "boom") {
  ProviderSite site(path, page, "text/html", 500);
  HttpClient http;
  return RunLoad(*FindProvider(key), http, site.SitesFor(key));
}

// A load given up `delay` after it started, and how long it took.
struct CancelledLoad {
  LoadResult result;
  std::chrono::steady_clock::duration took{};
};

inline CancelledLoad LoadCancelledAfter(const std::string& key, const ProviderSites& sites,
                                        std::chrono::milliseconds delay) {
  HttpClient http;
  CancelToken cancel;
  std::thread canceller([cancel, delay] {
    std::this_thread::sleep_for(delay);
    cancel.Cancel();
  });
  const auto start = std::chrono::steady_clock::now();
  CancelledLoad load{RunLoad(*FindProvider(key), http, sites, {}, cancel), {}};
  load.took = std::chrono::steady_clock::now() - start;
  canceller.join();
  return load;
}

}  // namespace brelvik::test
