#pragma once
#include "platform/process_memory_os.hpp"

namespace lanqi::testing {

// Memory calls that always fail, as in a process that may not use them.
class DeniedProcessMemoryOs final : public platform::ProcessMemoryOs {
 public:
  std::uint32_t CurrentProcessId() const override { return 1; }
  platform::ProcessHandle Open(std::uint32_t) override { return 0; }
  void Close(platform::ProcessHandle) override {}
  bool Read(platform::ProcessHandle, std::uintptr_t, void*, std::size_t) override { return false; }
  bool Write(platform::ProcessHandle, std::uintptr_t, const void*, std::size_t) override {
    return false;
  }
  bool Query(platform::ProcessHandle, std::uintptr_t, platform::MemoryRegion&) override {
    return false;
  }
  bool Protect(platform::ProcessHandle, std::uintptr_t, std::size_t, std::uint32_t) override {
    return false;
  }
  void ProcessPendingMessages() override {}
};

}  // namespace lanqi::testing
