#pragma once
// Owners for Winsock: a socket closed exactly once, and a WSAStartup matched by one WSACleanup.
#include <winsock2.h>

#include <utility>

namespace lanqi::platform::win32 {

// Owns one socket; closesocket when it goes. Moves, never copies. The thread that uses a socket
// also closes it: a closesocket from another thread cancels a call blocked on it, and the handle
// value can be handed out again at once, so a late call from the first thread would reach a
// stranger's socket.
class UniqueSocket {
 public:
  UniqueSocket() = default;
  explicit UniqueSocket(SOCKET socket) noexcept : socket_(socket) {}
  UniqueSocket(UniqueSocket&& other) noexcept : socket_(other.release()) {}
  UniqueSocket& operator=(UniqueSocket&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueSocket() { reset(); }
  UniqueSocket(const UniqueSocket&) = delete;
  UniqueSocket& operator=(const UniqueSocket&) = delete;

  SOCKET get() const noexcept { return socket_; }
  explicit operator bool() const noexcept { return socket_ != INVALID_SOCKET; }
  [[nodiscard]] SOCKET release() noexcept { return std::exchange(socket_, INVALID_SOCKET); }
  void reset(SOCKET socket = INVALID_SOCKET) noexcept {
    const SOCKET old = std::exchange(socket_, socket);
    if (old != INVALID_SOCKET && old != socket) ::closesocket(old);
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
};

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
