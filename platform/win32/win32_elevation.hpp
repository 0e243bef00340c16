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
std::unique_ptr<ProcessToken> MakeWin32ProcessToken(const ElevationCalls& calls = {});

// The executable's full path, kept in UTF-16 so that any folder name survives.
std::wstring OwnExecutablePath();

// A system DLL from the system folder only, never from the program's folder or the current
// directory, where a planted copy would run with the program's (administrator) rights.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace lanqi::platform::win32
