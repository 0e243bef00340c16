#pragma once
// Owners for Winsock: a socket closed exactly once, and a WSAStartup matched by one WSACleanup.
#include <winsock2.h>

#include <utility>

#include "platform/unique_value.hpp"

namespace lanqi::platform::win32 {

// Owns one socket; closesocket when it goes. The thread that uses a socket also closes it: a
// closesocket from another thread cancels a call blocked on it, and the handle value can be handed
// out again at once, so a late call from the first thread would reach a stranger's socket.
struct SocketTraits {
  using Value = SOCKET;
  static constexpr SOCKET kNone = INVALID_SOCKET;
  static constexpr bool IsHandle(SOCKET socket) { return socket != INVALID_SOCKET; }
  static bool Close(SOCKET socket) { return ::closesocket(socket) == 0; }
};
using UniqueSocket = UniqueValue<SocketTraits>;

// One use of Winsock by this process. Winsock counts WSAStartup calls per process and tears
// itself down (closing every socket of the process) at the WSACleanup that matches the first, so
// a WSAStartup that failed must not be answered by a WSACleanup: that would end someone else's
// use. The session calls WSACleanup only when its own WSAStartup succeeded.
class WinsockSession {
 public:
  // version: the highest Winsock version the caller can use, as MAKEWORD(major, minor).
  explicit WinsockSession(WORD version) noexcept {
    WSADATA data{};
    // WSAStartup returns its error; WSAGetLastError is not meaningful before a successful start.
    error_ = ::WSAStartup(version, &data);
  }
  ~WinsockSession() {
    if (started()) ::WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;

  bool started() const noexcept { return error_ == 0; }
  // WSAStartup's result: 0, or a WSA error such as WSAVERNOTSUPPORTED or WSASYSNOTREADY.
  int error() const noexcept { return error_; }

 private:
  int error_ = WSANOTINITIALISED;
};

}  // namespace lanqi::platform::win32
