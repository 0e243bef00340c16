#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace lanqi::platform {

// Where a process's executable lives, in the system's device form, and the device each drive
// letter stands for. Paths are UTF-16 so that no character is lost on the way to the registry.
class ProcessImage {
 public:
  virtual ~ProcessImage() = default;
  // The device-form path of the executable, e.g. \Device\HarddiskVolume3\dir\name.exe: of the
  // process with this id, or of the calling process when useId is false or the id is 0.
  // nullopt when the process cannot be opened or asked.
  virtual std::optional<std::u16string> ImageDevicePath(std::uint32_t processId, bool useId) = 0;
  // The device a drive letter ('A'..'Z') maps to, e.g. \Device\HarddiskVolume3; nullopt when the
  // letter maps to nothing.
  virtual std::optional<std::u16string> DriveDevice(char driveLetter) = 0;
};

}  // namespace lanqi::platform
