#include "platform/win32/win32_elevation.hpp"

#include <vector>

#include "platform/win32/text_936.hpp"
#include "platform/win32/unique_handle.hpp"

namespace lanqi::platform {
namespace win32 {
namespace {

class Win32ProcessToken final : public ProcessToken {
 public:
  explicit Win32ProcessToken(const ElevationCalls& calls) : calls_(calls) {}

  bool IsNTAdminSaysAdministrator() override {
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

  // With a null token CheckTokenMembership looks at the thread's or process's token as used
  // for access checks: a deny-only Administrators group there counts as not a member.
  bool AdministratorsGroupInForce() override {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
      return false;
    }
    BOOL member = FALSE;
    const BOOL asked = calls_.checkTokenMembership(nullptr, administrators, &member);
    FreeSid(administrators);
    return asked && member;
  }

  bool RequestElevatedStart(const std::string& file, bool useFile,
                            const std::optional<std::string>& parameters) override {
    const std::wstring target = useFile && !file.empty() ? WideFrom936(file) : OwnExecutablePath();
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

 private:
  ElevationCalls calls_;
};

}  // namespace

std::wstring OwnExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

std::unique_ptr<ProcessToken> MakeWin32ProcessToken(const ElevationCalls& calls) {
  return std::make_unique<Win32ProcessToken>(calls);
}

}  // namespace win32

Elevation& SystemElevation() {
  static const auto token = win32::MakeWin32ProcessToken();
  static TokenElevation elevation(*token);
  return elevation;
}

}  // namespace lanqi::platform
