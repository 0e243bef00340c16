#include "platform/directory_files.hpp"

#include <limits>

namespace lanqi::platform {

std::uint32_t LeftoverProcessId(std::string_view fileName, std::string_view name) {
  if (!name.starts_with(fileName) || name.size() <= fileName.size() ||
      name[fileName.size()] != '.' || !name.ends_with(".tmp")) {
    return 0;
  }
  std::string_view middle = name.substr(fileName.size() + 1, name.size() - fileName.size() - 1 - 4);
  // <pid>.<n>: two runs of decimal digits; the process id must fit 32 bits.
  const std::size_t dot = middle.find('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == middle.size()) return 0;
  const std::string_view pid = middle.substr(0, dot);
  const std::string_view counter = middle.substr(dot + 1);
  auto allDigits = [](std::string_view text) {
    for (char c : text) {
      if (c < '0' || c > '9') return false;
    }
    return true;
  };
  if (!allDigits(pid) || !allDigits(counter) || pid.size() > 10) return 0;
  std::uint64_t value = 0;
  for (char c : pid) value = value * 10 + static_cast<std::uint64_t>(c - '0');
  if (value > std::numeric_limits<std::uint32_t>::max()) return 0;
  return static_cast<std::uint32_t>(value);
}

}  // namespace lanqi::platform
