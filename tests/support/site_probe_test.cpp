// Tests of the site probe against real servers on 127.0.0.1.
#include "support/site_probe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/loopback_server.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using test::DeadProxyEnvironment;
using test::LoopbackServer;
using test::RequestLog;
using test::StuckListener;
using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

ProbeLimits QuickLimits() {
  ProbeLimits limits;
  limits.connect_timeout = 1000ms;
  limits.total_timeout = 2000ms;
  return limits;
}

// One path per kind of answer; /status/N answers N, /to/PATH redirects there.
void ServeStatuses(httplib::Server& s) {
  s.Get(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    res.status = std::stoi(req.matches[1]);
    res.set_content("status " + std::string(req.matches[1]), "text/html");
  });
  // Redirections carry a body, as many servers send one; the probe must not
  // take it for the final answer's.
  s.Get(R"(/to(/.*))", [](const httplib::Request& req, httplib::Response& res) {
    res.set_redirect(req.matches[1].str(), 302);
    res.set_content("moved to " + req.matches[1].str(), "text/html");
  });
  s.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("/status/200", 301);
  });
  s.Get("/loop",
        [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop", 302); });
}

TEST(ProbeAddressTest, PrefixesTheSchemeOnlyWhenMissing) {
  const struct {
    const char* address;
    const char* probed;
  } cases[] = {
      {"www.example.org", "http://www.example.org"},
      {"127.0.0.1:8080/x", "http://127.0.0.1:8080/x"},
      {"http://www.example.org", "http://www.example.org"},
      {"HTTP://WWW.EXAMPLE.ORG", "HTTP://WWW.EXAMPLE.ORG"},
      {"Http://example.org/", "Http://example.org/"},
      {"proxy.example/?u=http://x", "proxy.example/?u=http://x"},
      {"https://secure.example.org", "https://secure.example.org"},
      {"HTTPS://secure.example.org", "HTTPS://secure.example.org"},
      {"", "http://"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProbeAddress(c.address), c.probed) << c.address;
}

TEST(SiteAvailableTest, FinalStatusDecides) {
  LoopbackServer server(ServeStatuses);
  const struct {
    const char* path;
    bool available;
  } cases[] = {
      // Only 200 and 302 count; a 302 without Location is a final answer.
      {"/status/200", true},
      {"/status/302", true},
      {"/status/201", false},
      {"/status/204", false},
      {"/status/301", false},
      {"/status/404", false},
      {"/status/500", false},
      // Redirections are followed to the final answer.
      {"/to/status/200", true},
      {"/to/to/status/200", true},
      {"/moved", true},
      {"/to/status/404", false},
      {"/to/status/500", false},
      {"/loop", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SiteAvailable(server.Url(c.path), QuickLimits()), c.available) << c.path;
  }
}

TEST(SiteAvailableTest, UnreachableSiteIsUnavailable) {
  int closed_port = 0;
  {
    LoopbackServer closed;
    closed_port = closed.Port();
  }
  StuckListener stuck;
  ProbeLimits limits = QuickLimits();
  limits.connect_timeout = 300ms;
  const std::string addresses[] = {
      "http://127.0.0.1:" + std::to_string(closed_port) + "/",
      "http://brelvik-test.invalid/",
      stuck.Url("/"),
      "http://127.0.0.1:notaport/",
  };
  for (const auto& address : addresses) {
    const auto start = Clock::now();
    EXPECT_FALSE(SiteAvailable(address, limits)) << address;
    EXPECT_LT(Since(start), 1500ms) << address;
  }
}

TEST(SiteAvailableTest, SchemeIsAddedOnlyWhenMissing) {
  RequestLog log;
  LoopbackServer server([&](httplib::Server& s) {
    s.Get("/x", [&](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      res.set_content("x", "text/html");
    });
  });
  EXPECT_TRUE(SiteAvailable(server.HostPort() + "/x", QuickLimits()));
  EXPECT_TRUE(SiteAvailable("HTTP://" + server.HostPort() + "/x", QuickLimits()));
  EXPECT_EQ(log.Count(), 2u);
}

TEST(SiteAvailableTest, SendsItsAgentNameAndBypassesCaches) {
  RequestLog log;
  LoopbackServer server([&](httplib::Server& s) {
    s.Get("/", [&](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      res.set_content("home", "text/html");
    });
  });
  ASSERT_TRUE(SiteAvailable(server.Url("/"), QuickLimits()));
  ASSERT_EQ(log.Count(), 1u);
  const auto request = log.Requests()[0];
  EXPECT_EQ(request.Header("User-Agent"), "InetURL:/1.0");
  EXPECT_EQ(request.Header("Cache-Control"), "no-cache");
  EXPECT_EQ(request.Header("Pragma"), "no-cache");
}

TEST(SiteAvailableTest, ProxyVariablesDoNotDivertTheProbe) {
  LoopbackServer server(ServeStatuses);
  DeadProxyEnvironment dead_proxy;
  EXPECT_TRUE(SiteAvailable(server.Url("/status/200"), QuickLimits()));
}

TEST(SiteAvailableTest, StopsReadingOnceTheStatusIsKnown) {
  LoopbackServer server([](httplib::Server& s, LoopbackServer& self) {
    s.Get(R"(/endless/(\d+))", [&self](const httplib::Request& req, httplib::Response& res) {
      res.status = std::stoi(req.matches[1]);
      res.set_chunked_content_provider("text/html", [&self](std::size_t, httplib::DataSink& sink) {
        const std::string chunk(std::size_t{64} * 1024, 'z');
        return !self.Stopping() && sink.write(chunk.data(), chunk.size());
      });
    });
  });
  ProbeLimits limits;
  limits.total_timeout = 5s;
  for (const auto& [status, available] : {std::pair{200, true}, std::pair{404, false}}) {
    const auto start = Clock::now();
    EXPECT_EQ(SiteAvailable(server.Url("/endless/" + std::to_string(status)), limits), available);
    EXPECT_LT(Since(start), 1000ms) << status;
  }
}

TEST(SiteAvailableTest, SilentSiteIsUnavailableAfterTheTotalLimit) {
  LoopbackServer server([](httplib::Server& s, LoopbackServer& self) {
    s.Get("/silent", [&self](const httplib::Request&, httplib::Response& res) {
      self.Pause(5s);
      res.set_content("late", "text/html");
    });
  });
  ProbeLimits limits;
  limits.total_timeout = 300ms;
  const auto start = Clock::now();
  EXPECT_FALSE(SiteAvailable(server.Url("/silent"), limits));
  EXPECT_GE(Since(start), 250ms);
  EXPECT_LT(Since(start), 1500ms);
}

TEST(SiteAvailableTest, CancelEndsTheProbeQuickly) {
  LoopbackServer server([](httplib::Server& s, LoopbackServer& self) {
    s.Get("/silent", [&self](const httplib::Request&, httplib::Response& res) {
      self.Pause(5s);
      res.set_content("late", "text/html");
    });
  });
  ProbeLimits limits;
  limits.total_timeout = 10s;
  CancelToken cancel;
  std::thread canceller([cancel] {
    std::this_thread::sleep_for(200ms);
    cancel.Cancel();
  });
  const auto start = Clock::now();
  EXPECT_FALSE(SiteAvailable(server.Url("/silent"), limits, cancel));
  const auto elapsed = Since(start);
  canceller.join();
  EXPECT_LT(elapsed, 1500ms);
}

}  // namespace
}  // namespace brelvik
