#include "platform/win32/win32_elevation.hpp"

#include <vector>

#include "platform/win32/com_apartment.hpp"
#include "platform/win32/executable_path.hpp"
#include "platform/win32/text_936.hpp"
#include "platform/win32/unique_handle.hpp"
#include "platform/win32/win32_system.hpp"

namespace lanqi::platform {
namespace win32 {

bool Win32Elevation::IsNTAdminSaysAdministrator() {
  UniqueHmodule advpack;
  ElevationCalls::IsNTAdminFunction isNTAdmin = calls_.isNTAdmin;
  if (isNTAdmin == nullptr) {
    advpack.reset(LoadSystemLibrary(L"advpack.dll"));
    if (!advpack) return false;
    isNTAdmin = reinterpret_cast<ElevationCalls::IsNTAdminFunction>(
        reinterpret_cast<void*>(GetProcAddress(advpack.get(), "IsNTAdmin")));
    if (isNTAdmin == nullptr) return false;
  }
  DWORD reserved = 0;
  return isNTAdmin(0, &reserved) != FALSE;
}

bool Win32Elevation::AdministratorsGroupInForce() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID allocated = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &allocated)) {
    return false;
  }
  const UniqueSid administrators(allocated);
  BOOL member = FALSE;
  const BOOL asked = calls_.checkTokenMembership(nullptr, administrators.get(), &member);
  return asked && member;
}

bool Win32Elevation::QueryToken(TOKEN_INFORMATION_CLASS kind, void* information, DWORD size) {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
  const UniqueHandle token(opened);
  DWORD needed = 0;
  return calls_.getTokenInformation(token.get(), kind, information, size, &needed) != FALSE;
}

bool Win32Elevation::IsElevated() {
  TOKEN_ELEVATION elevation{};
  return QueryToken(::TokenElevation, &elevation, sizeof elevation) &&
         elevation.TokenIsElevated != 0;
}

TokenElevationKind Win32Elevation::ElevationKind() {
  TOKEN_ELEVATION_TYPE type{};
  if (!QueryToken(TokenElevationType, &type, sizeof type)) return TokenElevationKind::Unknown;
  switch (type) {
    case TokenElevationTypeDefault:
      return TokenElevationKind::Default;
    case TokenElevationTypeFull:
      return TokenElevationKind::Full;
    case TokenElevationTypeLimited:
      return TokenElevationKind::Limited;
  }
  return TokenElevationKind::Unknown;
}

bool Win32Elevation::UacPolicyOn() {
  DWORD enableLua = 1;
  DWORD size = sizeof enableLua;
  const LSTATUS read = calls_.regGetValue(
      HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
      L"EnableLUA", RRF_RT_REG_DWORD, nullptr, &enableLua, &size);
  // Only a value that says 0 turns UAC off; a missing or unreadable one leaves the default.
  return read != ERROR_SUCCESS || enableLua != 0;
}

bool Win32Elevation::StartedByThisProgram() {
  const std::optional<std::wstring> parent = calls_.parentImagePath();
  return parent && SameImagePath(*parent, ProcessImagePath(GetCurrentProcess()));
}

TokenFacts Win32Elevation::ReadTokenFacts() {
  return TokenFacts{.isNTAdmin = IsNTAdminSaysAdministrator(),
                    .administratorsInForce = AdministratorsGroupInForce(),
                    .elevated = IsElevated(),
                    .kind = ElevationKind(),
                    .uacPolicyOn = UacPolicyOn(),
                    .startedByThisProgram = StartedByThisProgram()};
}

bool Win32Elevation::RelaunchElevated(const std::string& file, bool useFile,
                                      const std::optional<std::string>& parameters) {
  const ComApartment apartment(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const std::wstring target = useFile && !file.empty() ? WideFrom936(file) : ExecutablePath();
  const std::wstring wideParameters = parameters ? WideFrom936(*parameters) : L"";
  SHELLEXECUTEINFOW record{};
  record.cbSize = sizeof record;
  record.fMask = SEE_MASK_NOASYNC;
  record.lpVerb = L"runas";
  record.lpFile = target.c_str();
  record.lpParameters = parameters ? wideParameters.c_str() : nullptr;
  record.nShow = SW_SHOWDEFAULT;
  return calls_.shellExecuteEx(&record) != FALSE;
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace win32

Elevation& real::TheElevation() {
  static win32::Win32Elevation elevation;
  return elevation;
}

}  // namespace lanqi::platform
