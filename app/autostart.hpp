#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/process_image.hpp"
#include "platform/registry.hpp"
#include "platform/window.hpp"

namespace lanqi {

// Splits a registry value path at its last backslash into key path and value name. A backslash
// byte that is the second byte of a double-byte character does not count.
std::pair<std::string, std::string> SplitValuePath(std::string_view valuePath);

// The drive-letter form of a device-form path: the first drive letter, A to Z, whose device is
// a prefix of the path ending at a backslash or at the path's end gets that prefix replaced by
// the letter and a colon. Empty when no letter matches. driveDevice answers nullopt for a letter
// that maps to nothing.
std::u16string DrivePathFromDevicePath(
    const std::u16string& devicePath,
    const std::function<std::optional<std::u16string>(char)>& driveDevice);

// The executable's path in drive-letter form, e.g. C:\Tools\clock.exe; empty when the process
// cannot be asked or no drive letter matches.
std::u16string ExecutableDosPath(platform::ProcessImage& image, std::uint32_t processId,
                                 bool useId);

// Start at logon: the value LanqiClockGuard under the machine's Run key holds the executable's
// path in quotes, and the autostart button 按钮3 says which way a click will switch it.
class Autostart {
 public:
  static constexpr const char* kRunKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";
  static constexpr const char* kValueName = "LanqiClockGuard";
  static constexpr const char* kCaptionTurnOn = "设置开机启动";
  static constexpr const char* kCaptionTurnOff = "取消开机启动";

  // processId: the process whose executable the entry starts, this program's own.
  Autostart(platform::Window& window, platform::MachineRegistry& registry,
            platform::ProcessImage& image, std::uint32_t processId);

  bool AutostartEntryExists();
  bool WriteAutostartEntry(const std::u16string& data);
  // Deletes the value; when that fails, a key at the value's whole path is deleted instead.
  bool DeleteAutostartEntry();
  // At start-up: the button offers to turn off an entry that exists, else to turn it on.
  void ShowCaptionFromRegistry();
  // The click handler of the autostart button; the caption alone says which way to switch.
  void ToggleAutostart();

 private:
  void TurnOn();
  void TurnOff();

  platform::Window& window_;
  platform::MachineRegistry& registry_;
  platform::ProcessImage& image_;
  std::uint32_t processId_;
};

}  // namespace lanqi
