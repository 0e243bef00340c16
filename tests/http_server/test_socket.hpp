#pragma once
// The few blocking-socket calls the loopback test server needs, over BSD sockets or Winsock.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "platform/unique_value.hpp"

namespace lanqi::testing::net {

using Socket = std::intptr_t;
inline constexpr Socket kNoSocket = -1;

// Closes the socket now; kNoSocket is ignored. UniqueSocket calls it.
void Close(Socket socket);

struct SocketTraits {
  using Value = Socket;
  static constexpr Socket kNone = kNoSocket;
  static constexpr bool IsHandle(Socket socket) { return socket != kNoSocket; }
  static bool Close(Socket socket) {
    net::Close(socket);
    return true;
  }
};
// Owns one socket and closes it when it goes; moves, never copies.
using UniqueSocket = platform::UniqueValue<SocketTraits>;

// A socket listening on 127.0.0.1 at a port the system chose (written to port); empty when none
// could be made.
UniqueSocket ListenOnLoopback(std::uint16_t& port);
// Waits up to the given milliseconds until the socket can be read (or accepted from): 1 ready,
// 0 not yet, -1 error.
int WaitReadable(Socket socket, int milliseconds);
// The next connection of a listening socket; empty on failure.
UniqueSocket Accept(Socket listener);
// Bytes read (> 0), 0 when the peer closed, < 0 on error.
long Receive(Socket socket, char* buffer, std::size_t size);
// false when the peer went away before every byte was sent.
bool SendAll(Socket socket, const char* data, std::size_t size);

// A loopback port on which nothing listens (taken from the system, then closed again).
std::uint16_t UnusedLoopbackPort();

}  // namespace lanqi::testing::net
