// The process handle behind every memory call by process id: opened with every access right in
// its pre-Vista form (0x1F0FFF, which Windows XP also takes), not inherited by child processes,
// and closed again.
#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>

#include "platform/system.hpp"

namespace lanqi {
namespace {

using QueryObject = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);

TEST(Win32ProcessMemoryOs, OpensWithEveryPreVistaRightNotInheritableAndCloses) {
  platform::ProcessMemoryOs& os = platform::RealSystem().processMemory;
  const platform::ProcessHandle process = os.Open(os.CurrentProcessId());
  ASSERT_NE(process, 0u);
  const HANDLE handle = reinterpret_cast<HANDLE>(process);

  const auto query = reinterpret_cast<QueryObject>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
  ASSERT_NE(query, nullptr);
  PUBLIC_OBJECT_BASIC_INFORMATION info{};
  ASSERT_EQ(query(handle, ObjectBasicInformation, &info, sizeof info, nullptr), 0);
  // Windows grants exactly the rights asked for; Wine grants a process's handle to itself every
  // right there is. Either way none of the pre-Vista ones may be missing.
  EXPECT_EQ(info.GrantedAccess & 0x1F0FFFu, 0x1F0FFFu) << std::hex << info.GrantedAccess;
  DWORD flags = 0;
  ASSERT_TRUE(GetHandleInformation(handle, &flags));
  EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);

  os.Close(process);
  EXPECT_FALSE(GetHandleInformation(handle, &flags)) << "the handle is still open";
}

}  // namespace
}  // namespace lanqi
