#pragma once
// The one owner of a handle that is a plain value (a file descriptor, a socket): it closes the
// handle when it goes, moves but never copies, so a handle is closed exactly once and a value the
// system has handed out again is never hit. Traits say which value means "none", which values are
// handles, and how one is closed (true on success).
#include <utility>

namespace lanqi::platform {

template <typename Traits>
class UniqueValue {
 public:
  using Value = typename Traits::Value;

  UniqueValue() = default;
  explicit UniqueValue(Value value) noexcept : value_(Normal(value)) {}
  UniqueValue(UniqueValue&& other) noexcept : value_(other.release()) {}
  UniqueValue& operator=(UniqueValue&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueValue() { reset(); }
  UniqueValue(const UniqueValue&) = delete;
  UniqueValue& operator=(const UniqueValue&) = delete;

  Value get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return Traits::IsHandle(value_); }

  // Gives the handle up without closing it.
  [[nodiscard]] Value release() noexcept { return std::exchange(value_, Traits::kNone); }

  // Closes the handle held (if any) and takes `value` instead; taking the one already held keeps
  // it open. A failed close is not retried: the value is free again whatever the close reports.
  void reset(Value value = Traits::kNone) noexcept {
    const Value old = std::exchange(value_, Normal(value));
    if (Traits::IsHandle(old) && old != value_) Traits::Close(old);
  }

  // Closes now and says whether the close succeeded (a write the file system could only finish
  // at close is seen to fail). False when nothing was held.
  bool Close() noexcept {
    const Value old = release();
    return Traits::IsHandle(old) && Traits::Close(old);
  }

 private:
  static Value Normal(Value value) noexcept {
    return Traits::IsHandle(value) ? value : Traits::kNone;
  }

  Value value_ = Traits::kNone;
};

}  // namespace lanqi::platform
