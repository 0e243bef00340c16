#include "platform/posix/posix_process_memory.hpp"

#include <signal.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string>

namespace lanqi::platform {
namespace {

std::uintptr_t PageSize() {
  static const auto size = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  return size;
}

// "rwxp" of a maps line as the nearest Windows page protection.
std::uint32_t ProtectionFromPerms(const std::string& perms) {
  const bool read = perms.size() > 0 && perms[0] == 'r';
  const bool write = perms.size() > 1 && perms[1] == 'w';
  const bool execute = perms.size() > 2 && perms[2] == 'x';
  if (execute) return write ? kPageExecuteReadWrite : (read ? kPageExecuteRead : kPageExecute);
  if (write) return kPageReadWrite;
  return read ? kPageReadOnly : kPageNoAccess;
}

int PosixProtection(std::uint32_t protection) {
  switch (protection & 0xFF) {
    case kPageNoAccess:
      return PROT_NONE;
    case kPageReadOnly:
      return PROT_READ;
    case kPageReadWrite:
      return PROT_READ | PROT_WRITE;
    case kPageExecute:
      return PROT_EXEC;
    case kPageExecuteRead:
      return PROT_READ | PROT_EXEC;
    case kPageExecuteReadWrite:
      return PROT_READ | PROT_WRITE | PROT_EXEC;
    default:
      return -1;
  }
}

bool Transfer(ProcessHandle process, std::uintptr_t address, void* local, std::size_t size,
              bool write) {
  if (process == 0) return false;
  if (size == 0) return true;
  iovec localVec{local, size};
  iovec remoteVec{reinterpret_cast<void*>(address), size};
  const auto pid = static_cast<pid_t>(process);
  const ssize_t copied = write ? process_vm_writev(pid, &localVec, 1, &remoteVec, 1, 0)
                               : process_vm_readv(pid, &localVec, 1, &remoteVec, 1, 0);
  return copied >= 0 && static_cast<std::size_t>(copied) == size;
}

}  // namespace

std::uint32_t PosixProcessMemoryOs::CurrentProcessId() const {
  return static_cast<std::uint32_t>(getpid());
}

// A process is named by its id; "opening" checks that it exists.
ProcessHandle PosixProcessMemoryOs::Open(std::uint32_t processId) {
  const auto pid = static_cast<pid_t>(processId);
  if (pid <= 0) return 0;
  if (kill(pid, 0) != 0 && errno != EPERM) return 0;
  return static_cast<ProcessHandle>(processId);
}

void PosixProcessMemoryOs::Close(ProcessHandle) {}

bool PosixProcessMemoryOs::Read(ProcessHandle process, std::uintptr_t address, void* buffer,
                                std::size_t size) {
  return Transfer(process, address, buffer, size, false);
}

bool PosixProcessMemoryOs::Write(ProcessHandle process, std::uintptr_t address, const void* bytes,
                                 std::size_t size) {
  return Transfer(process, address, const_cast<void*>(bytes), size, true);
}

// Like VirtualQueryEx: the region starts at the page holding the address and runs to the end of
// the mapping (or of the gap before the next one).
bool PosixProcessMemoryOs::Query(ProcessHandle process, std::uintptr_t address,
                                 MemoryRegion& region) {
  if (process == 0) return false;
  std::ifstream maps("/proc/" + std::to_string(process) + "/maps");
  if (!maps) return false;
  const std::uintptr_t page = address & ~(PageSize() - 1);
  std::string line;
  while (std::getline(maps, line)) {
    unsigned long long start = 0;
    unsigned long long end = 0;
    char perms[8] = {};
    int consumed = 0;
    if (std::sscanf(line.c_str(), "%llx-%llx %7s %*s %*s %*s%n", &start, &end, perms, &consumed) <
        3) {
      continue;
    }
    if (address >= end) continue;
    if (address < start) {
      region = MemoryRegion{
          page, 0, 0, static_cast<std::uintptr_t>(start) - page, kMemFree, kPageNoAccess, 0};
      return true;
    }
    const bool anonymous = line.find('/', static_cast<std::size_t>(consumed)) == std::string::npos;
    const std::uint32_t protection = ProtectionFromPerms(perms);
    region = MemoryRegion{page,
                          static_cast<std::uintptr_t>(start),
                          protection,
                          static_cast<std::uintptr_t>(end) - page,
                          kMemCommit,
                          protection,
                          anonymous ? kMemPrivate : kMemMapped};
    return true;
  }
  return false;
}

// Another process's mappings cannot be changed from outside on Linux; only our own.
bool PosixProcessMemoryOs::Protect(ProcessHandle process, std::uintptr_t base, std::size_t size,
                                   std::uint32_t protection) {
  if (process == 0 || process != static_cast<ProcessHandle>(getpid())) return false;
  const int prot = PosixProtection(protection);
  if (prot < 0) return false;
  const std::uintptr_t start = base & ~(PageSize() - 1);
  return mprotect(reinterpret_cast<void*>(start), size + (base - start), prot) == 0;
}

}  // namespace lanqi::platform
