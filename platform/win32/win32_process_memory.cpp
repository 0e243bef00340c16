#include <windows.h>

#include "platform/process_memory_os.hpp"
#include "platform/win32/win32_system.hpp"

namespace lanqi::platform {
namespace {

// All access rights in their pre-Vista form; newer systems accept it as well.
constexpr DWORD kAllAccessPreVista = 0x1F0FFF;

HANDLE AsHandle(ProcessHandle process) {
  return reinterpret_cast<HANDLE>(process);
}

void* AsPointer(std::uintptr_t address) {
  return reinterpret_cast<void*>(address);
}

class Win32ProcessMemoryOs final : public ProcessMemoryOs {
 public:
  std::uint32_t CurrentProcessId() const override { return GetCurrentProcessId(); }

  ProcessHandle Open(std::uint32_t processId) override {
    return reinterpret_cast<ProcessHandle>(OpenProcess(kAllAccessPreVista, FALSE, processId));
  }

  void Close(ProcessHandle process) override {
    if (process != 0) CloseHandle(AsHandle(process));
  }

  bool Read(ProcessHandle process, std::uintptr_t address, void* buffer,
            std::size_t size) override {
    if (process == 0) return false;
    SIZE_T copied = 0;
    return ReadProcessMemory(AsHandle(process), AsPointer(address), buffer, size, &copied) &&
           copied == size;
  }

  bool Write(ProcessHandle process, std::uintptr_t address, const void* bytes,
             std::size_t size) override {
    if (process == 0) return false;
    SIZE_T copied = 0;
    return WriteProcessMemory(AsHandle(process), AsPointer(address), bytes, size, &copied) &&
           copied == size;
  }

  bool Query(ProcessHandle process, std::uintptr_t address, MemoryRegion& region) override {
    if (process == 0) return false;
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQueryEx(AsHandle(process), AsPointer(address), &info, sizeof info) != sizeof info) {
      return false;
    }
    region = MemoryRegion{reinterpret_cast<std::uintptr_t>(info.BaseAddress),
                          reinterpret_cast<std::uintptr_t>(info.AllocationBase),
                          info.AllocationProtect,
                          info.RegionSize,
                          info.State,
                          info.Protect,
                          info.Type};
    return true;
  }

  bool Protect(ProcessHandle process, std::uintptr_t base, std::size_t size,
               std::uint32_t protection) override {
    if (process == 0) return false;
    DWORD previous = 0;
    return VirtualProtectEx(AsHandle(process), AsPointer(base), size, protection, &previous);
  }
};

}  // namespace

// Never destroyed: detached workers may still call it while the process exits.
ProcessMemoryOs& real::TheProcessMemoryOs() {
  static Win32ProcessMemoryOs& os = *new Win32ProcessMemoryOs;
  return os;
}

}  // namespace lanqi::platform
