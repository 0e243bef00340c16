#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/process_image.hpp"
#include "platform/system.hpp"

namespace lanqi::platform {
namespace {

// UTF-8 to UTF-16; a byte that does not start a well-formed sequence becomes U+FFFD.
std::u16string Utf16FromUtf8(const std::string& text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80         ? 1
                       : (lead >> 5) == 6  ? 2
                       : (lead >> 4) == 14 ? 3
                       : (lead >> 3) == 30 ? 4
                                           : 0;
    char32_t code = length == 1   ? lead
                    : length == 2 ? lead & 0x1F
                    : length == 3 ? lead & 0x0F
                                  : lead & 0x07;
    bool valid = length > 0 && i + length <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (!valid) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    i += static_cast<std::size_t>(length);
  }
  return out;
}

// Linux has no device-form paths or drive letters. The executable's path is given with
// backslashes and the root stands for drive Z:, as Wine presents the Linux file system.
class PosixProcessImage final : public ProcessImage {
 public:
  std::uint32_t CurrentProcessId() override { return static_cast<std::uint32_t>(::getpid()); }

  std::optional<std::u16string> ImageDevicePath(std::uint32_t processId, bool useId) override {
    const std::string link = useId && processId != 0 ? "/proc/" + std::to_string(processId) + "/exe"
                                                     : std::string("/proc/self/exe");
    std::error_code error;
    const std::string path = std::filesystem::read_symlink(link, error).string();
    if (error) return std::nullopt;
    std::u16string devicePath = Utf16FromUtf8(path);
    for (char16_t& c : devicePath) {
      if (c == u'/') c = u'\\';
    }
    return devicePath;
  }

  std::optional<std::u16string> DriveDevice(char driveLetter) override {
    if (driveLetter == 'Z') return std::u16string();
    return std::nullopt;
  }
};

}  // namespace

ProcessImage& real::TheProcessImage() {
  static PosixProcessImage image;
  return image;
}

}  // namespace lanqi::platform
