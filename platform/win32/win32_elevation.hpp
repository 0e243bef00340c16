#pragma once
#include <windows.h>
// shellapi.h needs the declarations of windows.h first.
#include <shellapi.h>

#include <memory>

#include "platform/elevation.hpp"

namespace lanqi::platform::win32 {

// The system calls behind the elevation, replaceable by a test that records what they were given.
struct ElevationCalls {
  using IsNTAdminFunction = BOOL(WINAPI*)(DWORD reserved, DWORD* reservedPointer);
  using CheckTokenMembershipFunction = BOOL(WINAPI*)(HANDLE token, PSID group, BOOL* isMember);
  using ShellExecuteExFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOW* record);

  // null: IsNTAdmin of advpack.dll, loaded from the system folder when asked.
  IsNTAdminFunction isNTAdmin = nullptr;
  CheckTokenMembershipFunction checkTokenMembership = ::CheckTokenMembership;
  ShellExecuteExFunction shellExecuteEx = ::ShellExecuteExW;
};

// The process token as the calls above see it.
class Win32ProcessToken final : public ProcessToken {
 public:
  explicit Win32ProcessToken(const ElevationCalls& calls = {}) : calls_(calls) {}
  bool IsNTAdminSaysAdministrator() override;
  // With a null token CheckTokenMembership looks at the thread's or process's token as used
  // for access checks: a deny-only Administrators group there counts as not a member.
  bool AdministratorsGroupInForce() override;
  bool RequestElevatedStart(const std::string& file, bool useFile,
                            const std::optional<std::string>& parameters) override;

 private:
  ElevationCalls calls_;
};

// A system DLL from the system folder only, never from the program's folder or the current
// directory, where a planted copy would run with the program's (administrator) rights.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace lanqi::platform::win32
