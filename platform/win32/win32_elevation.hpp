#pragma once
#include <windows.h>
// shellapi.h needs the declarations of windows.h first.
#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/elevation.hpp"
#include "platform/win32/parent_process.hpp"

namespace lanqi::platform::win32 {

// The system calls behind the elevation, replaceable by a test that records what they were given.
struct ElevationCalls {
  using IsNTAdminFunction = BOOL(WINAPI*)(DWORD reserved, DWORD* reservedPointer);
  using CheckTokenMembershipFunction = BOOL(WINAPI*)(HANDLE token, PSID group, BOOL* isMember);
  using ShellExecuteExFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOW* record);
  using GetTokenInformationFunction = BOOL(WINAPI*)(HANDLE token, TOKEN_INFORMATION_CLASS kind,
                                                    void* information, DWORD size, DWORD* needed);
  using RegGetValueFunction = LSTATUS(WINAPI*)(HKEY key, const wchar_t* subKey,
                                               const wchar_t* value, DWORD flags, DWORD* type,
                                               void* data, DWORD* size);
  using ParentImagePathFunction = std::optional<std::wstring> (*)();

  // null: IsNTAdmin of advpack.dll, loaded from the system folder when asked.
  IsNTAdminFunction isNTAdmin = nullptr;
  CheckTokenMembershipFunction checkTokenMembership = ::CheckTokenMembership;
  ShellExecuteExFunction shellExecuteEx = ::ShellExecuteExW;
  GetTokenInformationFunction getTokenInformation = ::GetTokenInformation;
  RegGetValueFunction regGetValue = ::RegGetValueW;
  ParentImagePathFunction parentImagePath = ParentImagePath;
};

// The process token as the calls above see it, and the elevation request.
class Win32Elevation final : public Elevation {
 public:
  explicit Win32Elevation(const ElevationCalls& calls = {}) : calls_(calls) {}
  // Each fact as its own call answers it: TokenElevation, TokenElevationType, the UAC policy
  // (HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System, EnableLUA), and the
  // parent's image path against this process's, both as QueryFullProcessImageNameW gives them.
  TokenFacts ReadTokenFacts() override;
  // ShellExecuteExW inside a single-threaded apartment, as the shell's documentation asks of
  // its callers: the "runas" verb and its prompt may go through COM.
  bool RelaunchElevated(const std::string& file, bool useFile,
                        const std::optional<std::string>& parameters) override;

 private:
  bool IsNTAdminSaysAdministrator();
  // With a null token CheckTokenMembership looks at the thread's or process's token as used
  // for access checks: a deny-only Administrators group there counts as not a member.
  bool AdministratorsGroupInForce();
  bool IsElevated();
  TokenElevationKind ElevationKind();
  bool UacPolicyOn();
  bool StartedByThisProgram();
  // One piece of fixed-size information about the process's token; false when it cannot be had.
  bool QueryToken(TOKEN_INFORMATION_CLASS kind, void* information, DWORD size);

  ElevationCalls calls_;
};

// A system DLL from the system folder only, never from the program's folder or the current
// directory, where a planted copy would run with the program's (administrator) rights.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace lanqi::platform::win32
