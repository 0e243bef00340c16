#pragma once
#include <windows.h>

#include <memory>
#include <type_traits>

namespace lanqi::platform::win32 {

// One-line owners for Win32 handles: the deleter runs the matching close call.
template <typename Handle, auto Close>
struct HandleCloser {
  using pointer = Handle;
  void operator()(Handle handle) const noexcept {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) Close(handle);
  }
};

template <typename Handle, auto Close>
using UniqueAny = std::unique_ptr<std::remove_pointer_t<Handle>, HandleCloser<Handle, Close>>;

using UniqueHandle = UniqueAny<HANDLE, ::CloseHandle>;
using UniqueHkey = UniqueAny<HKEY, ::RegCloseKey>;
using UniqueHicon = UniqueAny<HICON, ::DestroyIcon>;
using UniqueHfont = UniqueAny<HFONT, ::DeleteObject>;
using UniqueHwnd = UniqueAny<HWND, ::DestroyWindow>;
using UniqueHmodule = UniqueAny<HMODULE, ::FreeLibrary>;
using UniqueFindHandle = UniqueAny<HANDLE, ::FindClose>;
// Memory the system allocated for the caller with LocalAlloc (security descriptors, SID texts).
using UniqueLocal = UniqueAny<HLOCAL, ::LocalFree>;

}  // namespace lanqi::platform::win32
