// The HTTP client the loaders share: plain GETs with fixed header values,
// cookies kept in memory for the run, no redirections, bodies as bytes.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>

#include "support/cancel.h"

namespace brelvik {

// A failed request. The message is one a user can read, such as
// "HTTP/1.1 404 Not Found" or "Connection refused: 127.0.0.1:8080".
class HttpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised instead of HttpError when the request was given up on request.
class HttpCancelled : public HttpError {
 public:
  using HttpError::HttpError;
};

// Bounds that keep a silent or endless server from hanging a load. A zero
// stall time-out turns the stall check off.
struct HttpLimits {
  std::chrono::milliseconds connect_timeout{15000};
  std::chrono::milliseconds stall_timeout{60000};  // no byte received for this long
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
  // any failure, a status other than 2xx included; HttpCancelled when `cancel`
  // was set meanwhile.
  std::string Get(const std::string& url, const CancelToken& cancel = {});

  const HttpLimits& Limits() const { return limits_; }

 private:
  struct Impl;
  HttpLimits limits_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace brelvik
