#pragma once
// The one owner of a POSIX file descriptor: closes it when it goes, moves but never copies, so a
// descriptor is closed exactly once and a number the system has handed out again is never hit.
#include <unistd.h>

#include <utility>

namespace lanqi::platform {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) noexcept : fd_(fd < 0 ? -1 : fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueFd() { reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const noexcept { return fd_; }
  explicit operator bool() const noexcept { return fd_ >= 0; }

  // Gives the descriptor up without closing it.
  [[nodiscard]] int release() noexcept { return std::exchange(fd_, -1); }

  // Closes the descriptor held (if any) and takes fd instead; taking the one already held keeps
  // it open. A failed close is not retried: on Linux the number is free again whatever close
  // reports.
  void reset(int fd = -1) noexcept {
    const int old = std::exchange(fd_, fd < 0 ? -1 : fd);
    if (old >= 0 && old != fd_) ::close(old);
  }

  // Closes now and says whether close succeeded, so that a write the file system could only
  // finish at close is seen to fail. False when nothing was held.
  bool Close() noexcept {
    const int old = release();
    return old >= 0 && ::close(old) == 0;
  }

 private:
  int fd_ = -1;
};

}  // namespace lanqi::platform
