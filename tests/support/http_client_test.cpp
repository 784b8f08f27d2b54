// Tests of the loaders' HTTP client against real servers on 127.0.0.1.
#include "support/http_client.h"

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
using test::RawServer;
using test::RequestLog;
using test::StuckListener;
using Clock = std::chrono::steady_clock;

// The message of the HttpError that `get` raises, or "(no error)".
template <typename Get>
std::string ErrorOf(Get&& get) {
  try {
    get();
  } catch (const HttpError& error) {
    return error.what();
  }
  return "(no error)";
}

std::chrono::milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

HttpLimits QuickLimits() {
  HttpLimits limits;
  limits.connect_timeout = 1000ms;
  limits.stall_timeout = 2000ms;
  return limits;
}

void ServeOk(httplib::Server& server) {
  server.Get("/ok", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("ok", "text/plain");
  });
}

TEST(HttpClientTest, SendsTheFixedHeaderValuesOverHttp11) {
  RequestLog log;
  LoopbackServer server([&](httplib::Server& s) {
    s.Get("/page", [&](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      res.set_content("x", "text/html");
    });
  });
  HttpClient client(QuickLimits());
  client.Get(server.Url("/page"));

  ASSERT_EQ(log.Count(), 1u);
  const auto request = log.Requests()[0];
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.version, "HTTP/1.1");
  const struct {
    const char* name;
    const char* value;
  } expected[] = {
      {"Accept", "text/html, */*"},
      {"Content-Type", "text/html"},
      {"User-Agent", "Mozilla/3.0 (compatible; Indy Library)"},
  };
  for (const auto& header : expected) {
    EXPECT_EQ(request.Header(header.name), header.value) << header.name << " sent once, as written";
  }
  EXPECT_EQ(request.headers.count("Accept-Encoding"), 0u) << "the body must arrive unconverted";
}

TEST(HttpClientTest, ProxyVariablesDoNotDivertRequests) {
  LoopbackServer server(ServeOk);
  DeadProxyEnvironment dead_proxy;
  HttpClient client(QuickLimits());
  EXPECT_EQ(client.Get(server.Url("/ok")), "ok");
}

TEST(HttpClientTest, CookiesComeBackForTheRestOfTheRunInMemoryOnly) {
  LoopbackServer server([](httplib::Server& s) {
    s.Get("/login", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Set-Cookie", "session=abc123; Path=/");
      res.set_content("welcome", "text/html");
    });
    s.Get("/cookie", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(req.get_header_value("Cookie"), "text/plain");
    });
  });
  HttpClient client(QuickLimits());
  EXPECT_EQ(client.Get(server.Url("/cookie")), "");
  client.Get(server.Url("/login"));
  EXPECT_EQ(client.Get(server.Url("/cookie")), "session=abc123");
  EXPECT_EQ(client.Get(server.Url("/cookie")), "session=abc123") << "a later load sends it too";

  HttpClient other(QuickLimits());
  EXPECT_EQ(other.Get(server.Url("/cookie")), "") << "cookies belong to one client";
}

TEST(HttpClientTest, BodyBytesArriveUnconverted) {
  std::string body;
  for (int byte = 0xC0; byte <= 0xFF; ++byte) body += static_cast<char>(byte);
  body += std::string("\0\r\n", 3);
  for (int byte = 0x80; byte < 0xC0; ++byte) body += static_cast<char>(byte);
  LoopbackServer server([&](httplib::Server& s) {
    s.Get("/cp1251", [&](const httplib::Request&, httplib::Response& res) {
      res.set_content(body, "text/html; charset=windows-1251");
    });
  });
  HttpClient client(QuickLimits());
  EXPECT_EQ(client.Get(server.Url("/cp1251")), body);
}

TEST(HttpClientTest, StatusOtherThan2xxFailsWithTheStatusLine) {
  RequestLog target_log;
  LoopbackServer server([&](httplib::Server& s) {
    s.Get(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
      res.status = std::stoi(req.matches[1]);
      if (res.status >= 300 && res.status < 400) res.set_header("Location", "/target");
      res.set_content("body of " + std::string(req.matches[1]), "text/html");
    });
    s.Get("/target", [&](const httplib::Request& req, httplib::Response& res) {
      target_log.Record(req);
      res.set_content("target", "text/html");
    });
  });
  const struct {
    int status;
    const char* error;  // nullptr: the body comes back
  } cases[] = {
      {200, nullptr},
      {203, nullptr},
      {301, "HTTP/1.1 301 Moved Permanently"},
      {302, "HTTP/1.1 302 Found"},
      {404, "HTTP/1.1 404 Not Found"},
      {500, "HTTP/1.1 500 Internal Server Error"},
  };
  HttpClient client(QuickLimits());
  for (const auto& c : cases) {
    const std::string url = server.Url("/status/" + std::to_string(c.status));
    if (c.error == nullptr) {
      EXPECT_EQ(client.Get(url), "body of " + std::to_string(c.status));
    } else {
      EXPECT_EQ(ErrorOf([&] { client.Get(url); }), c.error + (": " + url)) << c.status;
    }
  }
  EXPECT_EQ(target_log.Count(), 0u) << "redirections are not followed";
}

TEST(HttpClientTest, RefusedConnectionNamesTheAddress) {
  int port = 0;
  {
    LoopbackServer closed;
    port = closed.Port();
  }
  HttpClient client(QuickLimits());
  const std::string address = "127.0.0.1:" + std::to_string(port);
  EXPECT_EQ(ErrorOf([&] { client.Get("http://" + address + "/"); }),
            "Connection refused: " + address);
}

TEST(HttpClientTest, UnknownHostFails) {
  HttpClient client(QuickLimits());
  EXPECT_EQ(ErrorOf([&] { client.Get("http://brelvik-test.invalid/page"); }),
            "Host not found: brelvik-test.invalid:80");
}

TEST(HttpClientTest, ConnectTimeOutBoundsAHangingConnect) {
  StuckListener stuck;
  HttpLimits limits = QuickLimits();
  limits.connect_timeout = 300ms;
  HttpClient client(limits);
  const auto start = Clock::now();
  EXPECT_EQ(ErrorOf([&] { client.Get(stuck.Url("/")); }),
            "Could not connect to 127.0.0.1:" + std::to_string(stuck.Port()) + " within 300 ms");
  EXPECT_LT(Since(start), 1500ms);
}

TEST(HttpClientTest, SilenceLongerThanTheStallLimitFails) {
  LoopbackServer server([](httplib::Server& s, LoopbackServer& self) {
    ServeOk(s);
    s.Get("/silent", [&self](const httplib::Request&, httplib::Response& res) {
      self.Pause(5s);
      res.set_content("late", "text/html");
    });
    s.Get("/stops-midway", [&self](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("text/html", [&self](std::size_t, httplib::DataSink& sink) {
        sink.write("first part", 10);
        self.Pause(5s);
        sink.done();
        return true;
      });
    });
    s.Get("/slow-but-steady", [&self](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("text/html",
                                       [&self](std::size_t offset, httplib::DataSink& sink) {
                                         if (offset >= 8) {
                                           sink.done();
                                         } else {
                                           self.Pause(100ms);
                                           sink.write("x", 1);
                                         }
                                         return true;
                                       });
    });
  });
  HttpLimits limits = QuickLimits();
  limits.stall_timeout = 300ms;
  HttpClient client(limits);

  for (const char* path : {"/silent", "/stops-midway"}) {
    const auto start = Clock::now();
    EXPECT_EQ(ErrorOf([&] { client.Get(server.Url(path)); }),
              "The server sent nothing for 300 ms: " + server.Url(path));
    EXPECT_GE(Since(start), 250ms) << path;
    EXPECT_LT(Since(start), 1500ms) << path;
    EXPECT_EQ(client.Get(server.Url("/ok")), "ok") << "the client recovers after " << path;
  }
  EXPECT_EQ(client.Get(server.Url("/slow-but-steady")), "xxxxxxxx")
      << "a byte now and then is no stall, however long the whole takes";
}

TEST(HttpClientTest, BodyOverTheLimitFails) {
  LoopbackServer server([](httplib::Server& s, LoopbackServer& self) {
    ServeOk(s);
    s.Get(R"(/sized/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(std::string(std::stoul(req.matches[1]), 'a'), "text/html");
    });
    s.Get(R"(/chunked/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
      const std::size_t size = std::stoul(req.matches[1]);
      res.set_chunked_content_provider(
          "text/html", [size](std::size_t offset, httplib::DataSink& sink) {
            if (offset >= size) {
              sink.done();
            } else {
              const std::string chunk(std::min<std::size_t>(100, size - offset), 'b');
              sink.write(chunk.data(), chunk.size());
            }
            return true;
          });
    });
    // Declares ten million bytes, then sends almost nothing: only an early
    // refusal by the declared length ends this quickly.
    s.Get("/declared-huge", [&self](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(10'000'000, "text/html",
                               [&self](std::size_t, std::size_t, httplib::DataSink& sink) {
                                 sink.write("c", 1);
                                 self.Pause(5s);
                                 return false;
                               });
    });
  });
  HttpLimits limits = QuickLimits();
  limits.max_body_bytes = 1000;
  HttpClient client(limits);

  const struct {
    const char* path;
    std::size_t expected_size;  // 0: refused
  } cases[] = {
      // At the limit: accepted, with or without a declared length.
      {"/sized/1000", 1000},
      {"/chunked/1000", 1000},
      // Over it: refused by the declared length or while reading.
      {"/sized/1001", 0},
      {"/chunked/1001", 0},
      {"/chunked/50000", 0},
      {"/declared-huge", 0},
  };
  for (const auto& c : cases) {
    const auto start = Clock::now();
    if (c.expected_size > 0) {
      EXPECT_EQ(client.Get(server.Url(c.path)).size(), c.expected_size) << c.path;
    } else {
      EXPECT_EQ(ErrorOf([&] { client.Get(server.Url(c.path)); }),
                "The answer is larger than 1000 bytes: " + server.Url(c.path));
    }
    EXPECT_LT(Since(start), 1000ms) << c.path;
  }
  EXPECT_EQ(client.Get(server.Url("/ok")), "ok");
}

// Answers without a valid status line, or with a header line longer than the
// client takes, are named for what they are.
TEST(HttpClientTest, AnswersThatAreNotHttpSayWhy) {
  const struct {
    const char* what;
    std::string answer;
    const char* error;  // followed by ": " and the address
  } cases[] = {
      {"HTTP/0.9: no status line", "<select></select>\r\n", "the server's answer is not HTTP"},
      {"a status code that is not a number", "HTTP/1.1 2x0 OK\r\nContent-Length: 2\r\n\r\nok",
       "the server's answer is not HTTP"},
      {"a header line over the client's limit",
       "HTTP/1.1 200 OK\r\nX-Long: " + std::string(200000, 'a') + "\r\nContent-Length: 2\r\n\r\nok",
       "a header line of the answer is too long"},
      {"two different lengths in two headers",
       "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 40\r\n\r\nok",
       "the server's answer is not valid HTTP: two different lengths"},
      {"two different lengths in one header", "HTTP/1.1 200 OK\r\nContent-Length: 40, 2\r\n\r\nok",
       "the server's answer is not valid HTTP: two different lengths"},
  };
  for (const auto& c : cases) {
    RawServer server([&](int fd, const std::atomic<bool>&) { RawServer::Send(fd, c.answer); });
    HttpClient client(QuickLimits());
    EXPECT_EQ(ErrorOf([&] { client.Get(server.Url("/channels.html")); }),
              std::string(c.error) + ": " + server.Url("/channels.html"))
        << c.what;
  }
}

// The same length said twice is one length, as HTTP allows.
TEST(HttpClientTest, ARepeatedEqualLengthIsOneLength) {
  for (const char* lengths :
       {"Content-Length: 2\r\nContent-Length: 2\r\n", "Content-Length: 2, 2\r\n"}) {
    RawServer server([&](int fd, const std::atomic<bool>&) {
      RawServer::Send(fd, std::string("HTTP/1.1 200 OK\r\n") + lengths + "\r\nok");
    });
    HttpClient client(QuickLimits());
    EXPECT_EQ(client.Get(server.Url("/channels.html")), "ok") << lengths;
  }
}

// A server that sends a byte now and then is never silent for the stall
// limit; only the deadline ends such a request.
TEST(HttpClientTest, TheDeadlineEndsATrickle) {
  std::string headers = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < 60; ++i) headers += "X-Line: " + std::to_string(i) + "\r\n";
  RawServer trickled_headers([&](int fd, const std::atomic<bool>& stopping) {
    RawServer::Trickle(fd, headers + "Content-Length: 2\r\n\r\nok", 10ms, stopping);
  });
  LoopbackServer trickled_body([](httplib::Server& s, LoopbackServer& self) {
    s.Get("/channels.html", [&self](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("text/html",
                                       [&self](std::size_t offset, httplib::DataSink& sink) {
                                         if (offset >= 200 || !self.Pause(10ms)) {
                                           sink.done();
                                         } else {
                                           sink.write("x", 1);
                                         }
                                         return true;
                                       });
    });
  });
  HttpLimits limits = QuickLimits();
  limits.total_timeout = 300ms;
  HttpClient client(limits);
  for (const std::string& url :
       {trickled_headers.Url("/channels.html"), trickled_body.Url("/channels.html")}) {
    try {
      client.Get(url);
      ADD_FAILURE() << "the trickle from " << url << " was waited out";
    } catch (const HttpError& e) {
      EXPECT_EQ(std::string(e.what()),
                "The server did not finish its answer within 300 ms: " + url);
      EXPECT_EQ(FailureText(e.GetFailure(), Language::kRu),
                "Сервер не закончил ответ за 300 мс: " + url);
    }
  }
}

TEST(HttpClientTest, CancelEndsAWaitWithinAFractionOfASecond) {
  LoopbackServer server([](httplib::Server& s, LoopbackServer& self) {
    ServeOk(s);
    s.Get("/silent", [&self](const httplib::Request&, httplib::Response& res) {
      self.Pause(5s);
      res.set_content("late", "text/html");
    });
  });
  StuckListener stuck;
  HttpLimits limits;
  limits.connect_timeout = 10s;
  limits.stall_timeout = 10s;
  HttpClient client(limits);

  const struct {
    const char* what;
    std::string url;
  } cases[] = {
      {"a silent server", server.Url("/silent")},
      {"a connection that does not complete", stuck.Url("/")},
  };
  for (const auto& c : cases) {
    CancelToken cancel;
    std::thread canceller([cancel] {
      std::this_thread::sleep_for(200ms);
      cancel.Cancel();
    });
    const auto start = Clock::now();
    EXPECT_THROW(client.Get(c.url, cancel), HttpCancelled) << c.what;
    const auto elapsed = Since(start);
    canceller.join();
    EXPECT_GE(elapsed, 200ms) << c.what;
    EXPECT_LT(elapsed, 1500ms) << c.what;
    EXPECT_EQ(client.Get(server.Url("/ok")), "ok") << "the client recovers after " << c.what;
  }
}

TEST(HttpClientTest, CancelledTokenSendsNothing) {
  RequestLog log;
  LoopbackServer server([&](httplib::Server& s) {
    s.Get("/ok", [&](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      res.set_content("ok", "text/plain");
    });
  });
  HttpClient client(QuickLimits());
  CancelToken cancel;
  cancel.Cancel();
  EXPECT_THROW(client.Get(server.Url("/ok"), cancel), HttpCancelled);
  EXPECT_EQ(log.Count(), 0u);
}

}  // namespace
}  // namespace brelvik
