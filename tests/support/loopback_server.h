// Helpers for tests of network code, all on 127.0.0.1: a cpp-httplib server on
// an ephemeral port, a record of the requests it saw, a server that answers
// with raw bytes, a port whose connections never complete, and proxy variables
// pointed at a dead port.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace brelvik::test {

// A cpp-httplib server listening on 127.0.0.1 in a background thread from
// construction to destruction. The setup callback registers the handlers;
// the second form also hands over the server object itself, for handlers that
// call Pause or Stopping.
class LoopbackServer {
 public:
  using Setup = std::function<void(httplib::Server&)>;
  using SetupWithSelf = std::function<void(httplib::Server&, LoopbackServer&)>;

  explicit LoopbackServer(const Setup& setup = {})
      : LoopbackServer(SetupWithSelf([&setup](httplib::Server& server, LoopbackServer&) {
          if (setup) setup(server);
        })) {}

  explicit LoopbackServer(const SetupWithSelf& setup) {
    // A client that keeps its connection open would otherwise hold the
    // destructor for the default five seconds.
    server_.set_keep_alive_timeout(1);
    // Headers and body go out in separate writes; without this each answer
    // waits for the client's delayed acknowledgement.
    server_.set_tcp_nodelay(true);
    if (setup) setup(server_, *this);
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("test server: no port to bind on 127.0.0.1");
    thread_ = std::thread([this] {
      server_.listen_after_bind();
      listen_ended_ = true;
    });
    // stop() before the accept loop runs would be lost and the join would hang.
    while (!server_.is_running()) {
      if (listen_ended_) {
        thread_.join();
        throw std::runtime_error("test server: did not start listening");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  ~LoopbackServer() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    stopping_changed_.notify_all();
    server_.stop();
    if (thread_.joinable()) thread_.join();
  }

  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return port_; }
  // "127.0.0.1:PORT", an address without a scheme.
  std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }
  std::string Url(std::string_view path = "/") const {
    return "http://" + HostPort() + std::string(path);
  }

  // For handlers that play a slow server: waits `duration`, but returns early
  // (false) once the server is being stopped, so an ended test does not wait
  // out its slow handlers.
  bool Pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    return !stopping_changed_.wait_for(lock, duration, [this] { return stopping_; });
  }

  bool Stopping() {
    std::lock_guard lock(mutex_);
    return stopping_;
  }

 private:
  httplib::Server server_;
  int port_ = -1;
  std::thread thread_;
  std::atomic<bool> listen_ended_ = false;
  std::mutex mutex_;
  std::condition_variable stopping_changed_;
  bool stopping_ = false;
};

struct RecordedRequest {
  std::string method;
  std::string path;
  std::string version;
  std::multimap<std::string, std::string> headers;  // names as sent

  // The value of a header sent exactly once, looked up without regard to case.
  std::optional<std::string> Header(std::string_view name) const {
    std::optional<std::string> found;
    for (const auto& [key, value] : headers) {
      if (key.size() != name.size()) continue;
      bool same = true;
      for (std::size_t i = 0; i < key.size() && same; ++i) {
        same = std::tolower(static_cast<unsigned char>(key[i])) ==
               std::tolower(static_cast<unsigned char>(name[i]));
      }
      if (!same) continue;
      if (found) return std::nullopt;
      found = value;
    }
    return found;
  }
};

// Requests seen by handlers, safe to read from the test's thread.
class RequestLog {
 public:
  void Record(const httplib::Request& request) {
    RecordedRequest recorded{request.method, request.path, request.version, {}};
    for (const auto& [name, value] : request.headers) recorded.headers.emplace(name, value);
    std::lock_guard lock(mutex_);
    requests_.push_back(std::move(recorded));
  }

  std::vector<RecordedRequest> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

  std::size_t Count() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<RecordedRequest> requests_;
};

// A server on 127.0.0.1 that reads each request's head and then writes what
// the test's answer function sends, byte-exact: for answers no HTTP library
// would produce (no status line, a bad status code, a huge header line, a
// byte at a time).
class RawServer {
 public:
  // Sends the answer on `fd`; `stopping` tells a slow answer to give up.
  using Answer = std::function<void(int fd, const std::atomic<bool>& stopping)>;

  explicit RawServer(Answer answer) : answer_(std::move(answer)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      if (listener_ >= 0) close(listener_);
      throw std::runtime_error("raw server: could not listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~RawServer() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    thread_.join();
    close(listener_);
  }
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  std::string Url(std::string_view path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
  }

  // Writes `bytes`, or gives up once the server is stopping or the peer left.
  static bool Send(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  // Sends `bytes` one at a time, `gap` apart; false when cut short.
  static bool Trickle(int fd, std::string_view bytes, std::chrono::milliseconds gap,
                      const std::atomic<bool>& stopping) {
    for (const char c : bytes) {
      if (stopping || !Send(fd, std::string_view(&c, 1))) return false;
      std::this_thread::sleep_for(gap);
    }
    return true;
  }

 private:
  void Serve() {
    while (!stopping_) {
      const int fd = accept(listener_, nullptr, nullptr);
      if (fd < 0) return;
      // One request head, then the answer; the client waits for nothing else.
      std::string head;
      char buffer[1024];
      while (head.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        head.append(buffer, static_cast<std::size_t>(n));
      }
      answer_(fd, stopping_);
      close(fd);
    }
  }

  Answer answer_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_ = false;
  std::thread thread_;
};

// A port on 127.0.0.1 where a connection attempt hangs: the listener's accept
// queue is full and never drained, so further handshakes get no answer.
class StuckListener {
 public:
  StuckListener() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 0) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      Close();
      throw std::runtime_error("stuck listener: could not listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    for (int i = 0; i < 4; ++i) {
      const int filler = socket(AF_INET, SOCK_STREAM, 0);
      if (filler < 0) continue;
      fcntl(filler, F_SETFL, O_NONBLOCK);
      connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
      fillers_.push_back(filler);
    }
  }
  ~StuckListener() { Close(); }
  StuckListener(const StuckListener&) = delete;
  StuckListener& operator=(const StuckListener&) = delete;

  int Port() const { return port_; }
  std::string Url(std::string_view path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
  }

 private:
  void Close() {
    for (const int filler : fillers_) close(filler);
    fillers_.clear();
    if (listener_ >= 0) close(listener_);
    listener_ = -1;
  }

  int listener_ = -1;
  int port_ = 0;
  std::vector<int> fillers_;
};

// Points every proxy variable curl and similar clients read at a port where
// nothing listens, and restores them all at the end of the scope.
class DeadProxyEnvironment {
 public:
  DeadProxyEnvironment() {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name,
                          value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    }
    for (const char* name : kProxyNames) setenv(name, "http://127.0.0.1:9", 1);
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
  }
  ~DeadProxyEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name, value->c_str(), 1);
      } else {
        unsetenv(name);
      }
    }
  }
  DeadProxyEnvironment(const DeadProxyEnvironment&) = delete;
  DeadProxyEnvironment& operator=(const DeadProxyEnvironment&) = delete;

 private:
  static constexpr const char* kProxyNames[] = {"http_proxy",  "HTTP_PROXY", "https_proxy",
                                                "HTTPS_PROXY", "all_proxy",  "ALL_PROXY"};
  static constexpr const char* kNames[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                           "all_proxy",  "ALL_PROXY",  "no_proxy",    "NO_PROXY"};

  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

}  // namespace brelvik::test
