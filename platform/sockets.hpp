#pragma once
#include <cstdint>
#include <string>

namespace lanqi::platform {

// Name look-up and TCP connection attempts over IPv4.
class Sockets {
 public:
  virtual ~Sockets() = default;
  // The host's first IPv4 address as dotted text; a dotted address gives itself. Empty when the
  // look-up fails. Blocks for as long as the system's resolver takes.
  virtual std::string LookUpIPv4(const std::string& host) = 0;
  // Opens a TCP connection to the dotted IPv4 address and port (1..65535) and closes it again at
  // once, sending no data. True when the connection was accepted within timeoutMs milliseconds;
  // returns by then at the latest, so a silent peer never holds the caller longer.
  virtual bool ConnectWithin(const std::string& address, std::int32_t port,
                             std::int32_t timeoutMs) = 0;
};

}  // namespace lanqi::platform
