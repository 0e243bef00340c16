#pragma once
#include <objbase.h>

namespace lanqi::platform::win32 {

// The calling thread inside a COM apartment for the guard's lifetime. Left only when entering
// succeeded: S_FALSE (the thread was in such an apartment already) counts and needs its own
// CoUninitialize; after RPC_E_CHANGED_MODE the thread belongs to another kind of apartment that
// its owner entered, and a CoUninitialize would take it out of that one.
class ComApartment {
 public:
  explicit ComApartment(DWORD flags) : entered_(SUCCEEDED(CoInitializeEx(nullptr, flags))) {}
  ~ComApartment() {
    if (entered_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool entered_;
};

}  // namespace lanqi::platform::win32
