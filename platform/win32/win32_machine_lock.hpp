#pragma once
#include "platform/machine_lock.hpp"
#include "platform/win32/unique_handle.hpp"

namespace lanqi::platform::win32 {

// A named mutex in the Global\ namespace, so that the copies of every session see the same one.
// Its access list lets only SYSTEM and the Administrators open it: a standard user's program can
// neither take it nor hold it. One made by someone else before the first copy (a squatter who
// could hold it for ever) is not trusted: its owner must be SYSTEM or the Administrators.
class Win32MachineLock final : public MachineLock {
 public:
  explicit Win32MachineLock(const wchar_t* name) : name_(name) {}
  State TryTake() override;
  void Release() override;

 private:
  const wchar_t* name_;
  UniqueHandle mutex_;
  bool held_ = false;
};

}  // namespace lanqi::platform::win32
