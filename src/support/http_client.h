// The HTTP client the loaders share: plain GETs with fixed header values,
// cookies kept in memory for the run, no redirections, bodies as bytes.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "support/cancel.h"
#include "support/failure.h"

namespace brelvik {

// A failed request. Its failure says what happened and where, such as
// "HTTP/1.1 404 Not Found: http://host/channels.html" or "Connection refused:
// 127.0.0.1:8080"; what() gives that in English.
class HttpError : public FailureError {
 public:
  using FailureError::FailureError;
};

// Raised instead of HttpError when the request was given up on request.
class HttpCancelled : public HttpError {
 public:
  HttpCancelled() : HttpError(Failure{FailureKind::kCancelled}) {}
};

// Bounds that keep a silent, endless or trickling server from hanging a load.
// A zero stall time-out or deadline turns that check off.
struct HttpLimits {
  std::chrono::milliseconds connect_timeout{15000};
  std::chrono::milliseconds stall_timeout{60000};  // no byte received for this long
  std::chrono::milliseconds total_timeout{300000};  // the whole request, connect to last byte
  std::size_t max_body_bytes = 64u * 1024u * 1024u;
};

// Prepares the process-wide state of the HTTP library. Safe to call from any
// thread any number of times; the client and the site probe call it themselves.
void InitHttpLibrary();

class HttpClient {
 public:
  explicit HttpClient(HttpLimits limits = {});
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // GETs the address and returns the body unconverted. Raises HttpError on
  // any failure, a status other than 2xx or an answer that is not HTTP
  // included; HttpCancelled when `cancel` was set meanwhile.
  std::string Get(const std::string& url, const CancelToken& cancel = {});

  const HttpLimits& Limits() const { return limits_; }

 private:
  struct Impl;
  HttpLimits limits_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace brelvik
