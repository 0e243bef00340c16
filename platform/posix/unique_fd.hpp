#pragma once
// The one owner of a POSIX file descriptor.
#include <unistd.h>

#include "platform/unique_value.hpp"

namespace lanqi::platform {

struct FdTraits {
  using Value = int;
  static constexpr int kNone = -1;
  static constexpr bool IsHandle(int fd) { return fd >= 0; }
  static bool Close(int fd) { return ::close(fd) == 0; }
};

using UniqueFd = UniqueValue<FdTraits>;

}  // namespace lanqi::platform
