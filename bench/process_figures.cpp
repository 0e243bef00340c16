// Prints what a running LanqiClockGuard uses, as Windows sees it: threads, handles, private
// memory and CPU time. Finds the program by its main window's class.
//   process_figures.exe   ->  "threads=N handles=N private_kib=N cpu_ms=N"
#include <windows.h>
// tlhelp32.h and psapi.h need the declarations of windows.h first.
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>

#include "platform/win32/control_ids.hpp"
#include "platform/win32/unique_handle.hpp"

namespace {

int ThreadsOf(DWORD pid) {
  const lanqi::platform::win32::UniqueFileHandle snapshot(
      CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    count += entry.th32OwnerProcessID == pid;
  }
  return count;
}

unsigned long long Milliseconds(const FILETIME& time) {
  return ((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) /
         10000;
}

}  // namespace

int main() {
  const HWND window = FindWindowW(lanqi::platform::win32::kMainWindowClass, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "process_figures: the program's window was not found\n");
    return 1;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  lanqi::platform::win32::UniqueHandle process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return 1;
  DWORD handles = 0;
  GetProcessHandleCount(process.get(), &handles);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                       sizeof memory);
  FILETIME created, exited, kernel, user;
  GetProcessTimes(process.get(), &created, &exited, &kernel, &user);
  std::printf("threads=%d handles=%lu private_kib=%llu cpu_ms=%llu\n", ThreadsOf(pid), handles,
              static_cast<unsigned long long>(memory.PrivateUsage / 1024),
              Milliseconds(kernel) + Milliseconds(user));
  return 0;
}
