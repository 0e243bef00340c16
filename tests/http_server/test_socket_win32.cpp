#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/win32/unique_socket.hpp"
#include "tests/http_server/test_socket.hpp"

namespace lanqi::testing::net {
namespace {

// Winsock stays started until the test process exits, after every server has gone.
bool StartWinsock() {
  static const platform::win32::WinsockSession session(MAKEWORD(2, 2));
  return session.started();
}

SOCKET AsNative(Socket socket) {
  return static_cast<SOCKET>(socket);
}

}  // namespace

UniqueSocket ListenOnLoopback(std::uint16_t& port) {
  if (!StartWinsock()) return {};
  platform::win32::UniqueSocket listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!listener) return {};
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener.get(), 64) != 0 ||
      ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return {};
  }
  port = ntohs(address.sin_port);
  return UniqueSocket(static_cast<Socket>(listener.release()));
}

int WaitReadable(Socket socket, int milliseconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(AsNative(socket), &readable);
  timeval limit{milliseconds / 1000, (milliseconds % 1000) * 1000};
  const int ready = ::select(0, &readable, nullptr, nullptr, &limit);
  return ready == SOCKET_ERROR ? -1 : (ready > 0 ? 1 : 0);
}

UniqueSocket Accept(Socket listener) {
  const SOCKET accepted = ::accept(AsNative(listener), nullptr, nullptr);
  return accepted == INVALID_SOCKET ? UniqueSocket() : UniqueSocket(static_cast<Socket>(accepted));
}

long Receive(Socket socket, char* buffer, std::size_t size) {
  const int chunk = size > 0x10000 ? 0x10000 : static_cast<int>(size);
  return ::recv(AsNative(socket), buffer, chunk, 0);
}

bool SendAll(Socket socket, const char* data, std::size_t size) {
  while (size > 0) {
    const int chunk = size > 0x10000 ? 0x10000 : static_cast<int>(size);
    const int sent = ::send(AsNative(socket), data, chunk, 0);
    if (sent == SOCKET_ERROR || sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

void Close(Socket socket) {
  if (socket != kNoSocket) ::closesocket(AsNative(socket));
}

std::uint16_t UnusedLoopbackPort() {
  std::uint16_t port = 0;
  ListenOnLoopback(port);  // closed again at once
  return port;
}

}  // namespace lanqi::testing::net
