#pragma once
#include "platform/process_memory_os.hpp"

namespace lanqi::platform {

// process_vm_readv/process_vm_writev for the memory, /proc/PID/maps for the regions. A process
// handle is the process id itself.
class PosixProcessMemoryOs final : public ProcessMemoryOs {
 public:
  std::uint32_t CurrentProcessId() const override;
  ProcessHandle Open(std::uint32_t processId) override;
  void Close(ProcessHandle process) override;
  bool Read(ProcessHandle process, std::uintptr_t address, void* buffer, std::size_t size) override;
  bool Write(ProcessHandle process, std::uintptr_t address, const void* bytes,
             std::size_t size) override;
  bool Query(ProcessHandle process, std::uintptr_t address, MemoryRegion& region) override;
  bool Protect(ProcessHandle process, std::uintptr_t base, std::size_t size,
               std::uint32_t protection) override;
};

}  // namespace lanqi::platform
