#include "app/autostart.hpp"

#include "text/code_page_936.hpp"

namespace lanqi {

using platform::Control;
using platform::MessageIcon;

std::pair<std::string, std::string> SplitValuePath(std::string_view valuePath) {
  std::size_t lastSlash = std::string_view::npos;
  // Character by character: the trail byte of a double-byte character may be a backslash.
  for (std::size_t i = 0; i < valuePath.size(); i += cp936::CharacterLength(valuePath, i)) {
    if (valuePath[i] == '\\') lastSlash = i;
  }
  if (lastSlash == std::string_view::npos) return {std::string(), std::string(valuePath)};
  return {std::string(valuePath.substr(0, lastSlash)),
          std::string(valuePath.substr(lastSlash + 1))};
}

std::u16string DrivePathFromDevicePath(
    const std::u16string& devicePath,
    const std::function<std::optional<std::u16string>(char)>& driveDevice) {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::optional<std::u16string> device = driveDevice(letter);
    if (!device || !devicePath.starts_with(*device)) continue;
    // \Device\HarddiskVolume1 is also the start of \Device\HarddiskVolume10\...: a device only
    // matches whole, up to a backslash or the end of the path.
    const std::size_t end = device->size();
    const bool whole = end == devicePath.size() || devicePath[end] == u'\\' ||
                       (end > 0 && (*device)[end - 1] == u'\\');
    if (!whole) continue;
    return std::u16string{static_cast<char16_t>(letter), u':'} + devicePath.substr(end);
  }
  return {};
}

std::u16string ExecutableDosPath(platform::ProcessImage& image, std::uint32_t processId,
                                 bool useId) {
  const std::optional<std::u16string> devicePath = image.ImageDevicePath(processId, useId);
  if (!devicePath) return {};
  return DrivePathFromDevicePath(*devicePath,
                                 [&image](char letter) { return image.DriveDevice(letter); });
}

Autostart::Autostart(platform::Window& window, platform::MachineRegistry& registry,
                     platform::ProcessImage& image, std::uint32_t processId)
    : window_(window), registry_(registry), image_(image), processId_(processId) {}

bool Autostart::AutostartEntryExists() {
  const auto [key, name] = SplitValuePath(std::string(kRunKeyPath) + kValueName);
  return registry_.ValueExists(key, name);
}

bool Autostart::WriteAutostartEntry(const std::u16string& data) {
  const auto [key, name] = SplitValuePath(std::string(kRunKeyPath) + kValueName);
  return registry_.SetString(key, name, data);
}

bool Autostart::DeleteAutostartEntry() {
  const std::string valuePath = std::string(kRunKeyPath) + kValueName;
  const auto [key, name] = SplitValuePath(valuePath);
  return registry_.DeleteValue(key, name) || registry_.DeleteKey(valuePath);
}

void Autostart::ShowCaptionFromRegistry() {
  window_.SetText(platform::kAutostartButton,
                  AutostartEntryExists() ? kCaptionTurnOff : kCaptionTurnOn);
}

void Autostart::ToggleAutostart() {
  if (window_.Text(platform::kAutostartButton) == kCaptionTurnOn) {
    TurnOn();
  } else {
    TurnOff();
  }
}

// The caption changes only once the user has closed the box, which returns only then.
void Autostart::TurnOn() {
  const std::u16string path = ExecutableDosPath(image_, processId_, true);
  // An empty path would make an entry that starts nothing: that is no success. Windows reads the
  // value as a command line: unquoted, D:\My Tools\clock.exe would first start D:\My.exe.
  if (!path.empty() && WriteAutostartEntry(u"\"" + path + u"\"")) {
    window_.ShowMessageBox("添加成功！", "成功", MessageIcon::Information);
    window_.SetText(platform::kAutostartButton, kCaptionTurnOff);
  } else {
    window_.ShowMessageBox("添加失败！", "失败", MessageIcon::Error);
  }
}

void Autostart::TurnOff() {
  if (DeleteAutostartEntry()) {
    window_.ShowMessageBox("取消成功！", "成功", MessageIcon::Information);
    window_.SetText(platform::kAutostartButton, kCaptionTurnOn);
  } else {
    window_.ShowMessageBox("取消失败！", "失败", MessageIcon::Error);
  }
}

}  // namespace lanqi
