#include <windows.h>
// shellapi.h needs the declarations of windows.h first.
#include <shellapi.h>

#include <vector>

#include "platform/elevation.hpp"
#include "platform/win32/text_936.hpp"
#include "platform/win32/unique_handle.hpp"

namespace lanqi::platform {
namespace {

// The executable's full path, kept in UTF-16 so that any folder name survives.
std::wstring OwnExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

class Win32Elevation final : public Elevation {
 public:
  // IsNTAdmin answers whether the administrator rights are in force (elevated), not merely
  // whether the user belongs to the administrators.
  bool IsAdministrator() override {
    win32::UniqueHmodule advpack(LoadLibraryW(L"advpack.dll"));
    if (!advpack) return false;
    using IsNTAdminFunction = BOOL(WINAPI*)(DWORD, DWORD*);
    const auto isNTAdmin = reinterpret_cast<IsNTAdminFunction>(
        reinterpret_cast<void*>(GetProcAddress(advpack.get(), "IsNTAdmin")));
    if (isNTAdmin == nullptr) return false;
    DWORD reserved = 0;
    return isNTAdmin(0, &reserved) != FALSE;
  }

  bool RelaunchElevated(const std::string& file, bool useFile,
                        const std::optional<std::string>& parameters) override {
    const std::wstring target =
        useFile && !file.empty() ? win32::WideFrom936(file) : OwnExecutablePath();
    const std::wstring wideParameters = parameters ? win32::WideFrom936(*parameters) : L"";
    SHELLEXECUTEINFOW record{};
    record.cbSize = sizeof record;
    record.fMask = SEE_MASK_NOASYNC;
    record.lpVerb = L"runas";
    record.lpFile = target.c_str();
    record.lpParameters = parameters ? wideParameters.c_str() : nullptr;
    record.nShow = SW_SHOWDEFAULT;
    return ShellExecuteExW(&record) != FALSE;
  }
};

}  // namespace

Elevation& SystemElevation() {
  static Win32Elevation elevation;
  return elevation;
}

}  // namespace lanqi::platform
