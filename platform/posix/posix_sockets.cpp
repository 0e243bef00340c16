#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>

#include "platform/posix/posix_platform.hpp"
#include "platform/posix/unique_fd.hpp"

namespace lanqi::platform {
namespace {

struct AddrInfoDeleter {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

// Waits for the non-blocking connect to finish, across interrupted waits, until the deadline.
bool AwaitConnect(int fd, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd watch{fd, POLLOUT, 0};
    const int ready = poll(&watch, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    int error = 0;
    socklen_t length = sizeof error;
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
  }
}

}  // namespace

std::string PosixSockets::LookUpIPv4(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* raw = nullptr;
  if (host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &raw) != 0) return {};
  const std::unique_ptr<addrinfo, AddrInfoDeleter> list(raw);
  for (const addrinfo* entry = list.get(); entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET) continue;
    const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
    char text[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text) != nullptr) return text;
  }
  return {};
}

bool PosixSockets::ConnectWithin(const std::string& address, std::int32_t port,
                                 std::int32_t timeoutMs) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  sockaddr_in target{};
  target.sin_family = AF_INET;
  if (port < 1 || port > 65535 || inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1) {
    return false;
  }
  target.sin_port = htons(static_cast<std::uint16_t>(port));
  const UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (socket.get() < 0) return false;
  if (connect(socket.get(), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
    return true;
  }
  if (errno != EINPROGRESS && errno != EINTR) return false;
  return AwaitConnect(socket.get(), deadline);
}

}  // namespace lanqi::platform
