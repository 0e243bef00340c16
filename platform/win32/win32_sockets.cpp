#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/sockets.hpp"
#include "platform/win32/unique_socket.hpp"
#include "platform/win32/win32_system.hpp"

namespace lanqi::platform {
namespace {

// Starts Winsock unless an earlier call succeeded; a failed start is tried again next time. The
// session is never ended: detached workers may still be inside a connect while the process exits.
bool EnsureWinsock() {
  static std::mutex mutex;
  static win32::WinsockSession* session = nullptr;
  std::lock_guard lock(mutex);
  if (session == nullptr) {
    // 1.1 covers every call made here (gethostbyname, select, ioctlsocket).
    auto attempt = std::make_unique<win32::WinsockSession>(MAKEWORD(1, 1));
    if (!attempt->started()) return false;
    session = attempt.release();
  }
  return true;
}

class Win32Sockets final : public Sockets {
 public:
  std::string LookUpIPv4(const std::string& host) override {
    if (host.empty() || !EnsureWinsock()) return {};
    // gethostbyname is documented not to resolve address strings: a dotted address is converted
    // here and never reaches the resolver.
    in_addr dotted{};
    dotted.s_addr = inet_addr(host.c_str());
    if (dotted.s_addr != INADDR_NONE || host == "255.255.255.255") {
      const char* text = inet_ntoa(dotted);
      return text != nullptr ? text : "";
    }
    // gethostbyname keeps its answer per thread, so concurrent workers do not share it.
    const hostent* entry = gethostbyname(host.c_str());
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list == nullptr ||
        entry->h_addr_list[0] == nullptr) {
      return {};
    }
    in_addr address{};
    std::memcpy(&address, entry->h_addr_list[0], sizeof address);
    const char* text = inet_ntoa(address);
    return text != nullptr ? text : "";
  }

  bool ConnectWithin(const std::string& address, std::int32_t port,
                     std::int32_t timeoutMs) override {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    if (port < 1 || port > 65535 || !EnsureWinsock()) return false;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<u_short>(port));
    target.sin_addr.s_addr = inet_addr(address.c_str());
    if (address.empty() || target.sin_addr.s_addr == INADDR_NONE) return false;
    const win32::UniqueSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!socket) return false;
    u_long nonBlocking = 1;
    if (ioctlsocket(socket.get(), FIONBIO, &nonBlocking) != 0) return false;
    if (connect(socket.get(), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
      return true;
    }
    if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      fd_set writable;
      fd_set failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(socket.get(), &writable);
      FD_SET(socket.get(), &failed);
      timeval wait{static_cast<long>(left.count() / 1000),
                   static_cast<long>((left.count() % 1000) * 1000)};
      const int ready = select(0, nullptr, &writable, &failed, &wait);
      if (ready == SOCKET_ERROR) return false;
      if (ready == 0) continue;  // the wait ended early; the loop checks the deadline
      // A refused or unreachable connect is reported in the failed set.
      return FD_ISSET(socket.get(), &writable) && !FD_ISSET(socket.get(), &failed);
    }
  }
};

}  // namespace

// Never destroyed: detached workers may still call it while the process exits.
Sockets& real::TheSockets() {
  static Sockets& sockets = *new Win32Sockets;
  return sockets;
}

}  // namespace lanqi::platform
