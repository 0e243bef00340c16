#pragma once
#include <cstddef>
#include <cstdint>

namespace lanqi::platform {

// An open process as the system's memory calls take it. Pointer-sized so that a 64-bit handle
// is never cut to 32 bits; 0 means no process.
using ProcessHandle = std::uintptr_t;

// One region of a process's address space, in the terms of the Windows region record. Every
// address and size is pointer-sized.
struct MemoryRegion {
  std::uintptr_t base = 0;
  std::uintptr_t allocationBase = 0;
  std::uint32_t allocationProtection = 0;
  std::uintptr_t size = 0;       // bytes from base
  std::uint32_t state = 0;       // kMemCommit, kMemReserve or kMemFree
  std::uint32_t protection = 0;  // one of the kPage* values below
  std::uint32_t type = 0;        // kMemPrivate, kMemMapped or kMemImage; 0 for a free region
};

// Region states, types and page protections with their Windows values (held to the SDK's by
// win32/windows_values_check.cpp).
inline constexpr std::uint32_t kMemCommit = 0x1000;
inline constexpr std::uint32_t kMemReserve = 0x2000;
inline constexpr std::uint32_t kMemFree = 0x10000;
inline constexpr std::uint32_t kMemPrivate = 0x20000;
inline constexpr std::uint32_t kMemMapped = 0x40000;
inline constexpr std::uint32_t kMemImage = 0x1000000;
inline constexpr std::uint32_t kPageNoAccess = 0x01;
inline constexpr std::uint32_t kPageReadOnly = 0x02;
inline constexpr std::uint32_t kPageReadWrite = 0x04;
inline constexpr std::uint32_t kPageExecute = 0x10;
inline constexpr std::uint32_t kPageExecuteRead = 0x20;
inline constexpr std::uint32_t kPageExecuteReadWrite = 0x40;
inline constexpr std::uint32_t kPageGuard = 0x100;  // a modifier beside one of the above
inline constexpr std::uint32_t kPageNoCache = 0x200;

// The operating system's cross-process memory calls. Each reports failure in its result and
// never throws; a call on handle 0 fails.
class ProcessMemoryOs {
 public:
  virtual ~ProcessMemoryOs() = default;
  // This process's id: the one answer to it the program asks (for its own memory and for the
  // executable it puts into the Run value).
  virtual std::uint32_t CurrentProcessId() const = 0;
  // Opens the process with every access right; 0 when it cannot be opened.
  virtual ProcessHandle Open(std::uint32_t processId) = 0;
  virtual void Close(ProcessHandle process) = 0;
  // Copies size bytes; true only when all of them were copied.
  virtual bool Read(ProcessHandle process, std::uintptr_t address, void* buffer,
                    std::size_t size) = 0;
  virtual bool Write(ProcessHandle process, std::uintptr_t address, const void* bytes,
                     std::size_t size) = 0;
  // The region that holds the address (a free gap is a region too); false past the last one.
  virtual bool Query(ProcessHandle process, std::uintptr_t address, MemoryRegion& region) = 0;
  // Gives the pages from base for size bytes a new kPage* protection.
  virtual bool Protect(ProcessHandle process, std::uintptr_t base, std::size_t size,
                       std::uint32_t protection) = 0;
};

}  // namespace lanqi::platform
