#include "tests/http_server/loopback_http_server.hpp"

#include <algorithm>
#include <charconv>
#include <chrono>

namespace lanqi::testing {
namespace {

constexpr int kPollMs = 20;
constexpr std::size_t kMaxRequestHead = 1 << 20;
constexpr std::size_t kMaxRequestBody = 64 << 20;

bool EqualNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string BuildAnswer(const ScriptedReply& reply, bool headRequest) {
  std::string answer = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\n";
  bool hasLength = false;
  for (const auto& [name, value] : reply.headers) {
    hasLength = hasLength || EqualNoCase(name, "Content-Length");
    answer += name + ": " + value + "\r\n";
  }
  if (!hasLength) answer += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
  answer += "\r\n";
  if (!headRequest) answer += reply.body;
  return answer;
}

}  // namespace

std::optional<std::string> RecordedRequest::Header(std::string_view name) const {
  for (const auto& [headerName, value] : headers) {
    if (EqualNoCase(headerName, name)) return value;
  }
  return std::nullopt;
}

std::vector<std::string> RecordedRequest::HeaderNames() const {
  std::vector<std::string> names;
  for (const auto& header : headers) names.push_back(header.first);
  return names;
}

ScriptedReply ScriptedReply::Redirect(int status, std::string location) {
  ScriptedReply reply;
  reply.status = status;
  reply.reason = "Moved";
  reply.headers = {{"Location", std::move(location)}};
  return reply;
}

LoopbackHttpServer::LoopbackHttpServer(Handler handler) : handler_(std::move(handler)) {
  if (!handler_) {
    handler_ = [](const RecordedRequest&) {
      ScriptedReply reply;
      reply.body = "ok";
      return reply;
    };
  }
  listener_ = net::ListenOnLoopback(port_);
  if (listener_) acceptor_ = std::jthread([this] { AcceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  listener_.reset();
  // The acceptor has ended, so nobody adds workers any more.
  for (std::jthread& worker : workers_) worker.join();
}

std::string LoopbackHttpServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<RecordedRequest> LoopbackHttpServer::Requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

void LoopbackHttpServer::AcceptLoop() {
  while (!stopping_) {
    if (net::WaitReadable(listener_.get(), kPollMs) != 1) continue;
    net::UniqueSocket accepted = net::Accept(listener_.get());
    if (!accepted) continue;
    ++connections_;
    workers_.emplace_back(
        [this, socket = std::move(accepted)]() mutable { Serve(std::move(socket)); });
  }
}

bool LoopbackHttpServer::WaitForData(net::Socket socket) {
  while (!stopping_) {
    const int ready = net::WaitReadable(socket, kPollMs);
    if (ready != 0) return ready == 1;
  }
  return false;
}

bool LoopbackHttpServer::Pause(int milliseconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < until) {
    if (stopping_) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(milliseconds, kPollMs)));
  }
  return !stopping_;
}

bool LoopbackHttpServer::ReadRequest(net::Socket socket, std::string& pending,
                                     RecordedRequest& request) {
  char buffer[16384];
  std::size_t headEnd = std::string::npos;
  while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos) {
    if (pending.size() > kMaxRequestHead || !WaitForData(socket)) return false;
    const long received = net::Receive(socket, buffer, sizeof buffer);
    if (received <= 0) return false;
    pending.append(buffer, static_cast<std::size_t>(received));
  }
  const std::string head = pending.substr(0, headEnd);
  pending.erase(0, headEnd + 4);

  std::size_t lineStart = 0;
  bool first = true;
  std::size_t bodyLength = 0;
  while (lineStart <= head.size()) {
    std::size_t lineEnd = head.find("\r\n", lineStart);
    if (lineEnd == std::string::npos) lineEnd = head.size();
    const std::string_view line = std::string_view(head).substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 2;
    if (first) {
      first = false;
      const std::size_t space = line.find(' ');
      const std::size_t secondSpace = line.find(' ', space + 1);
      if (space == std::string_view::npos || secondSpace == std::string_view::npos) return false;
      request.method = line.substr(0, space);
      request.target = line.substr(space + 1, secondSpace - space - 1);
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string name(line.substr(0, colon));
    std::string value(TrimBlanks(line.substr(colon + 1)));
    if (EqualNoCase(name, "Content-Length")) {
      std::from_chars(value.data(), value.data() + value.size(), bodyLength);
    }
    request.headers.emplace_back(std::move(name), std::move(value));
  }
  if (bodyLength > kMaxRequestBody) return false;
  while (pending.size() < bodyLength) {
    if (!WaitForData(socket)) return false;
    const long received = net::Receive(socket, buffer, sizeof buffer);
    if (received <= 0) return false;
    pending.append(buffer, static_cast<std::size_t>(received));
  }
  request.body = pending.substr(0, bodyLength);
  pending.erase(0, bodyLength);
  return true;
}

void LoopbackHttpServer::Serve(net::UniqueSocket owned) {
  const net::Socket socket = owned.get();
  std::string pending;
  for (;;) {
    RecordedRequest request;
    if (!ReadRequest(socket, pending, request)) break;
    {
      const std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    const ScriptedReply reply = handler_(request);
    if (reply.delayMs > 0 && !Pause(reply.delayMs)) break;
    if (reply.silent) {
      // Hold the connection, reading and dropping whatever comes, until either side ends.
      char sink[4096];
      while (WaitForData(socket) && net::Receive(socket, sink, sizeof sink) > 0) {
      }
      break;
    }
    if (reply.raw) {
      const std::size_t step = reply.byteGapMs > 0 ? 1 : reply.raw->size();
      for (std::size_t sent = 0; sent < reply.raw->size(); sent += step) {
        if (!net::SendAll(socket, reply.raw->data() + sent, step)) break;
        if (reply.byteGapMs > 0 && !Pause(reply.byteGapMs)) break;
      }
      break;
    }
    const std::string answer = BuildAnswer(reply, request.method == "HEAD");
    if (!net::SendAll(socket, answer.data(), answer.size()) || reply.close) break;
  }
}

}  // namespace lanqi::testing
