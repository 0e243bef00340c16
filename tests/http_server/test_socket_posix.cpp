#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/posix/unique_fd.hpp"
#include "tests/http_server/test_socket.hpp"

namespace lanqi::testing::net {

UniqueSocket ListenOnLoopback(std::uint16_t& port) {
  // CLOEXEC: a process a test starts must not keep the port open after the test closes it.
  platform::UniqueFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!listener) return {};
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener.get(), 64) != 0 ||
      ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return {};
  }
  port = ntohs(address.sin_port);
  return UniqueSocket(listener.release());
}

int WaitReadable(Socket socket, int milliseconds) {
  pollfd entry{static_cast<int>(socket), POLLIN, 0};
  const int ready = ::poll(&entry, 1, milliseconds);
  return ready < 0 ? -1 : (ready > 0 ? 1 : 0);
}

UniqueSocket Accept(Socket listener) {
  const int accepted = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
  return accepted < 0 ? UniqueSocket() : UniqueSocket(accepted);
}

long Receive(Socket socket, char* buffer, std::size_t size) {
  return static_cast<long>(::recv(static_cast<int>(socket), buffer, size, 0));
}

bool SendAll(Socket socket, const char* data, std::size_t size) {
  while (size > 0) {
    // MSG_NOSIGNAL: a client that hung up must not end the test process with SIGPIPE.
    const ssize_t sent = ::send(static_cast<int>(socket), data, size, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

void Close(Socket socket) {
  if (socket != kNoSocket) ::close(static_cast<int>(socket));
}

std::uint16_t UnusedLoopbackPort() {
  std::uint16_t port = 0;
  ListenOnLoopback(port);  // closed again at once
  return port;
}

}  // namespace lanqi::testing::net
