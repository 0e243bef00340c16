#pragma once
#include <cstring>
#include <vector>

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
};

// Memory calls over a made-up address space: the regions given, each byte of them zero. Keeps
// every open, close and read; a process id opens as a handle of its own (id + kHandleBase).
class RecordingProcessMemoryOs final : public platform::ProcessMemoryOs {
 public:
  static constexpr platform::ProcessHandle kHandleBase = 0x1000;

  std::uint32_t CurrentProcessId() const override { return 42; }
  platform::ProcessHandle Open(std::uint32_t processId) override {
    opened.push_back(processId);
    return kHandleBase + processId;
  }
  void Close(platform::ProcessHandle process) override { closed.push_back(process); }
  bool Read(platform::ProcessHandle process, std::uintptr_t address, void* buffer,
            std::size_t size) override {
    reads.push_back(address);
    if (process == 0 || !Holds(address, size)) return false;
    std::memset(buffer, 0, size);
    return true;
  }
  bool Write(platform::ProcessHandle process, std::uintptr_t address, const void*,
             std::size_t size) override {
    return process != 0 && Holds(address, size);
  }
  bool Query(platform::ProcessHandle process, std::uintptr_t address,
             platform::MemoryRegion& region) override {
    if (process == 0) return false;
    for (const platform::MemoryRegion& candidate : regions) {
      if (address >= candidate.base && address - candidate.base < candidate.size) {
        region = candidate;
        return true;
      }
    }
    return false;
  }
  bool Protect(platform::ProcessHandle process, std::uintptr_t, std::size_t,
               std::uint32_t) override {
    return process != 0;
  }

  std::vector<platform::MemoryRegion> regions;  // in address order, without gaps
  std::vector<std::uint32_t> opened;
  std::vector<platform::ProcessHandle> closed;
  std::vector<std::uintptr_t> reads;  // the address of each read

 private:
  bool Holds(std::uintptr_t address, std::size_t size) const {
    for (const platform::MemoryRegion& region : regions) {
      if (address >= region.base && address - region.base + size <= region.size) return true;
    }
    return false;
  }
};

}  // namespace lanqi::testing
