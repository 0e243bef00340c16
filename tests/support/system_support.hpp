#pragma once
// Operating-system helpers for the tests; the build links the posix or the win32 implementation.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/system.hpp"
#include "process_memory/process_memory.hpp"
#include "tests/http_server/test_socket.hpp"

namespace lanqi::testing {

// The system the tests run on. In the Windows build RealSystem(); natively the stand-ins of
// platform/posix (clock, threads, sockets, the process's own memory, files, libcurl requests)
// with fakes for what Linux lacks: a registry in memory, a process image without a path and an
// elevation that says yes.
platform::System& HostSystem();

// Process memory over the host system's calls, pumping through its workers.
inline ProcessMemory HostProcessMemory() {
  return ProcessMemory(HostSystem().processMemory, HostSystem().workers);
}

std::size_t PageSize();

// Read-write pages of our own with no-access pages on either side, so that they form a region of
// their own and the bytes just past them cannot be read.
class PageBlock {
 public:
  explicit PageBlock(std::size_t pages);
  ~PageBlock();
  PageBlock(const PageBlock&) = delete;
  PageBlock& operator=(const PageBlock&) = delete;
  std::uintptr_t address() const { return address_; }
  std::size_t size() const { return size_; }
  std::uint8_t* bytes() const { return reinterpret_cast<std::uint8_t*>(address_); }

 private:
  std::uintptr_t mapping_ = 0;
  std::uintptr_t address_ = 0;
  std::size_t size_ = 0;
};

// A small idle process of the test's own, ended when the object goes.
class IdleProcess {
 public:
  IdleProcess();
  ~IdleProcess();
  IdleProcess(const IdleProcess&) = delete;
  IdleProcess& operator=(const IdleProcess&) = delete;
  std::uint32_t id() const;  // 0 when it could not be started

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A TCP socket listening on 127.0.0.1 at a port the system picked. It never accepts: the system
// completes the handshake of the first few connections by itself.
class LoopbackListener {
 public:
  LoopbackListener() : socket_(net::ListenOnLoopback(port_)) {}
  int port() const { return port_; }

 private:
  std::uint16_t port_ = 0;  // set while socket_ is made, so declared first
  net::UniqueSocket socket_;
};

// True under Wine, whose behaviour differs from Windows in places the tests name.
bool RunningUnderWine();

// Sets the TZ environment variable and makes the C library read it again.
void SetTimeZoneVariable(const std::string& value);

}  // namespace lanqi::testing
