#include <windows.h>

#include <climits>

#include "platform/registry.hpp"
#include "platform/win32/text_936.hpp"
#include "platform/win32/unique_handle.hpp"
#include "platform/win32/win32_system.hpp"

namespace lanqi::platform {
namespace {

using win32::UniqueHkey;
using win32::WideFrom936;

// The program has always been a 32-bit one, whose values under SOFTWARE live in the 32-bit view
// of the machine's registry. This 64-bit exe asks for that view explicitly, so that an entry made
// by either build is the same entry.
constexpr REGSAM kView = KEY_WOW64_32KEY;

UniqueHkey OpenKey(const std::string& keyPath, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WideFrom936(keyPath).c_str(), 0, access | kView, &key) !=
      ERROR_SUCCESS) {
    return {};
  }
  return UniqueHkey(key);
}

class Win32MachineRegistry final : public MachineRegistry {
 public:
  bool ValueExists(const std::string& keyPath, const std::string& valueName) override {
    const UniqueHkey key = OpenKey(keyPath, KEY_READ);
    DWORD type = 0;
    DWORD size = 0;
    return key && RegQueryValueExW(key.get(), WideFrom936(valueName).c_str(), nullptr, &type,
                                   nullptr, &size) == ERROR_SUCCESS;
  }

  bool SetString(const std::string& keyPath, const std::string& valueName,
                 const std::u16string& data) override {
    UniqueHkey key = OpenKey(keyPath, KEY_WRITE);
    if (!key) {
      HKEY created = nullptr;
      if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, WideFrom936(keyPath).c_str(), 0, nullptr, 0,
                          KEY_WRITE | kView, nullptr, &created, nullptr) != ERROR_SUCCESS) {
        return false;
      }
      key.reset(created);
    }
    // The stored length counts the terminating zero, which u16string keeps after its data.
    const std::size_t bytes = (data.size() + 1) * sizeof(char16_t);
    if (bytes > UINT_MAX) return false;
    return RegSetValueExW(key.get(), WideFrom936(valueName).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
  }

  bool DeleteValue(const std::string& keyPath, const std::string& valueName) override {
    const UniqueHkey key = OpenKey(keyPath, KEY_WRITE);
    return key && RegDeleteValueW(key.get(), WideFrom936(valueName).c_str()) == ERROR_SUCCESS;
  }

  bool DeleteKey(const std::string& keyPath) override {
    return RegDeleteKeyExW(HKEY_LOCAL_MACHINE, WideFrom936(keyPath).c_str(), kView, 0) ==
           ERROR_SUCCESS;
  }
};

}  // namespace

MachineRegistry& real::TheMachineRegistry() {
  static Win32MachineRegistry registry;
  return registry;
}

}  // namespace lanqi::platform
