// The Winsock owners. Winsock counts WSAStartup calls per process and shuts down (closing every
// socket of the process) when WSACleanup has answered them all; a session that cleans up after a
// failed start, or twice, would end the use of everyone else in the process. Each test repeats
// the session far more often than the process holds other sessions, so such a fault takes
// Winsock down and the socket made afterwards fails.
#include "platform/win32/unique_socket.hpp"

#include <gtest/gtest.h>
#include <winsock2.h>

#include <string>
#include <vector>

#include "platform/win32/win32_system.hpp"

namespace lanqi::platform::win32 {
namespace {

constexpr int kRepeats = 64;

SOCKET NewSocket() {
  return ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
}

bool IsSocket(SOCKET socket) {
  int type = 0;
  int length = sizeof type;
  return ::getsockopt(socket, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length) == 0;
}

TEST(WinsockSession, EndsOnlyItsOwnSuccessfulStart) {
  struct Case {
    std::string name;
    WORD version;
    int error;  // WSAStartup's answer
  };
  // Version 0.0 is below every version Winsock supports, so the start is refused.
  const std::vector<Case> cases = {
      {"refused start", MAKEWORD(0, 0), WSAVERNOTSUPPORTED},
      {"successful start", MAKEWORD(2, 2), 0},
      {"version 1.1", MAKEWORD(1, 1), 0},
  };
  const WinsockSession outer(MAKEWORD(2, 2));
  ASSERT_TRUE(outer.started());
  for (const Case& c : cases) {
    for (int i = 0; i < kRepeats; ++i) {
      const WinsockSession session(c.version);
      ASSERT_EQ(session.error(), c.error) << c.name;
      EXPECT_EQ(session.started(), c.error == 0) << c.name;
    }
    const UniqueSocket socket(NewSocket());
    EXPECT_TRUE(socket) << c.name << ": Winsock was shut down, error " << WSAGetLastError();
  }
}

// The owner's move rules are its template's, tested on descriptors; here its traits: a socket
// is closed with closesocket, and release hands it over open.
TEST(UniqueSocket, AssigningOverAnOwnerClosesWhatItHeld) {
  const WinsockSession session(MAKEWORD(2, 2));
  ASSERT_TRUE(session.started());
  const SOCKET first = NewSocket();
  const SOCKET second = NewSocket();
  UniqueSocket holder(first);
  holder = UniqueSocket(second);
  EXPECT_FALSE(IsSocket(first));
  EXPECT_TRUE(IsSocket(second));
  const SOCKET released = holder.release();
  EXPECT_FALSE(holder);
  EXPECT_TRUE(IsSocket(released));
  ::closesocket(released);
}

// A dotted address is its own look-up: the resolver, which is not documented to take address
// strings, is never asked, so the answer comes even with no name server reachable.
TEST(Win32Sockets, DottedAddressLooksUpAsItself) {
  for (const std::string address : {"127.0.0.1", "223.5.5.5", "255.255.255.255"}) {
    EXPECT_EQ(real::TheSockets().LookUpIPv4(address), address);
  }
}

}  // namespace
}  // namespace lanqi::platform::win32
