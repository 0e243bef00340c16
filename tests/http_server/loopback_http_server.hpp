#pragma once
// An HTTP/1.1 server on 127.0.0.1 for the tests, natively and in the Windows test binaries under
// Wine. It records every request (method, target, header lines in order, body) and answers as the
// test scripts it: status, headers, Set-Cookie lines, redirects, bodies, delays, silence, early
// closes and raw (malformed or oversized) answers.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "tests/http_server/test_socket.hpp"

namespace lanqi::testing {

struct RecordedRequest {
  std::string method;
  std::string target;  // path, or the absolute URL of a request sent to a proxy
  std::vector<std::pair<std::string, std::string>> headers;  // in the order received
  std::string body;

  // The value of the first header of that name (any letter case), or nullopt.
  std::optional<std::string> Header(std::string_view name) const;
  std::vector<std::string> HeaderNames() const;
};

struct ScriptedReply {
  int status = 200;
  std::string reason = "OK";
  std::vector<std::pair<std::string, std::string>> headers;  // sent in this order
  std::string body;
  // Sent byte for byte instead of a built answer; the connection is closed after it.
  std::optional<std::string> raw;
  int byteGapMs = 0;    // sends raw one byte at a time, this far apart
  int delayMs = 0;      // waits this long before answering
  bool silent = false;  // never answers; holds the connection until the client or server ends
  bool close = false;   // closes the connection after the answer

  static ScriptedReply Redirect(int status, std::string location);
};

class LoopbackHttpServer {
 public:
  using Handler = std::function<ScriptedReply(const RecordedRequest&)>;

  // Without a handler every request gets 200 with the body "ok".
  explicit LoopbackHttpServer(Handler handler = {});
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  bool Listening() const { return static_cast<bool>(listener_); }
  std::uint16_t Port() const { return port_; }
  // "http://127.0.0.1:PORT" followed by the path.
  std::string Url(std::string_view path = "/") const;
  std::vector<RecordedRequest> Requests() const;
  std::size_t ConnectionCount() const { return connections_.load(); }

 private:
  void AcceptLoop();
  void Serve(net::UniqueSocket socket);
  // Reads one request; false when the peer closed, the server stops or the request is unusable.
  bool ReadRequest(net::Socket socket, std::string& pending, RecordedRequest& request);
  // Waits until the socket is readable or the server stops; false on stop, close or error.
  bool WaitForData(net::Socket socket);
  // Waits the given time unless the server stops first; false on stop.
  bool Pause(int milliseconds);

  Handler handler_;
  std::uint16_t port_ = 0;
  net::UniqueSocket listener_;
  std::atomic<bool> stopping_{false};
  std::atomic<std::size_t> connections_{0};
  mutable std::mutex mutex_;
  std::vector<RecordedRequest> requests_;
  std::vector<std::jthread> workers_;
  std::jthread acceptor_;
};

}  // namespace lanqi::testing
