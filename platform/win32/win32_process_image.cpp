#include <windows.h>
// psapi.h needs the types windows.h declares.
#include <psapi.h>

#include <string>

#include "platform/process_image.hpp"
#include "platform/win32/unique_handle.hpp"
#include "platform/win32/win32_system.hpp"

namespace lanqi::platform {
namespace {

using win32::UniqueHandle;

// Enough for the longest path Windows hands out; wchar_t and char16_t are both UTF-16 here.
constexpr DWORD kPathCapacity = 32768;

std::u16string FromWide(const wchar_t* text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

class Win32ProcessImage final : public ProcessImage {
 public:
  std::optional<std::u16string> ImageDevicePath(std::uint32_t processId, bool useId) override {
    UniqueHandle opened;
    HANDLE process = GetCurrentProcess();  // a pseudo handle, never closed
    if (useId && processId != 0) {
      opened.reset(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
      if (!opened) return std::nullopt;
      process = opened.get();
    }
    std::wstring path(kPathCapacity, L'\0');
    const DWORD length = GetProcessImageFileNameW(process, path.data(), kPathCapacity);
    if (length == 0) return std::nullopt;
    return FromWide(path.data(), length);
  }

  std::optional<std::u16string> DriveDevice(char driveLetter) override {
    const wchar_t drive[] = {static_cast<wchar_t>(driveLetter), L':', L'\0'};
    std::wstring device(kPathCapacity, L'\0');
    // The answer is a list of names, each ending in a zero; the first is the one in force.
    if (QueryDosDeviceW(drive, device.data(), kPathCapacity) == 0) return std::nullopt;
    return FromWide(device.c_str(), wcslen(device.c_str()));
  }
};

}  // namespace

ProcessImage& real::TheProcessImage() {
  static Win32ProcessImage image;
  return image;
}

}  // namespace lanqi::platform
