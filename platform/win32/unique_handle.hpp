#pragma once
// Owners for Win32 handles, one alias per kind of handle. Windows marks "no handle" in two ways:
// most calls return null, while CreateFileW, CreateToolhelp32Snapshot and FindFirstFileExW return
// INVALID_HANDLE_VALUE (which is also the pseudo-handle of the current process, so it must never
// count as a handle of the null kind, nor null as one of the other). Each alias knows its own
// "none", so `if (!owner)` is the one failure test after the call that made it.
#include <windows.h>

#include "platform/unique_value.hpp"

namespace lanqi::platform::win32 {

// Handles whose "none" is null.
template <typename Handle, bool (*CloseCall)(Handle) noexcept>
struct NullIsNone {
  using Value = Handle;
  static constexpr Handle kNone = nullptr;
  static constexpr bool IsHandle(Handle handle) noexcept { return handle != nullptr; }
  static bool Close(Handle handle) noexcept { return CloseCall(handle); }
};

// Handles whose "none" is INVALID_HANDLE_VALUE.
template <bool (*CloseCall)(HANDLE) noexcept>
struct InvalidValueIsNone {
  using Value = HANDLE;
  static inline const HANDLE kNone = INVALID_HANDLE_VALUE;
  static bool IsHandle(HANDLE handle) noexcept { return handle != INVALID_HANDLE_VALUE; }
  static bool Close(HANDLE handle) noexcept { return CloseCall(handle); }
};

// The close calls, each saying whether it succeeded.
inline bool CloseKernelObject(HANDLE handle) noexcept {
  return ::CloseHandle(handle) != FALSE;
}
inline bool CloseRegistryKey(HKEY key) noexcept {
  return ::RegCloseKey(key) == ERROR_SUCCESS;
}
inline bool DestroyIconObject(HICON icon) noexcept {
  return ::DestroyIcon(icon) != FALSE;
}
inline bool DeleteFontObject(HFONT font) noexcept {
  return ::DeleteObject(font) != FALSE;
}
inline bool DestroyWindowObject(HWND window) noexcept {
  return ::DestroyWindow(window) != FALSE;
}
inline bool FreeLibraryModule(HMODULE module) noexcept {
  return ::FreeLibrary(module) != FALSE;
}
inline bool CloseFindSearch(HANDLE search) noexcept {
  return ::FindClose(search) != FALSE;
}
inline bool FreeLocalMemory(HLOCAL memory) noexcept {
  return ::LocalFree(memory) == nullptr;
}
inline bool FreeAllocatedSid(PSID sid) noexcept {
  return ::FreeSid(sid) == nullptr;
}

// Processes, threads, events, timers, tokens: what Create*/Open* calls give, null on failure.
using UniqueHandle = UniqueValue<NullIsNone<HANDLE, CloseKernelObject>>;
// Files from CreateFileW and process or thread snapshots: INVALID_HANDLE_VALUE on failure.
using UniqueFileHandle = UniqueValue<InvalidValueIsNone<CloseKernelObject>>;
// A search from FindFirstFileExW: INVALID_HANDLE_VALUE on failure, ended with FindClose.
using UniqueFindHandle = UniqueValue<InvalidValueIsNone<CloseFindSearch>>;
using UniqueHkey = UniqueValue<NullIsNone<HKEY, CloseRegistryKey>>;
using UniqueHicon = UniqueValue<NullIsNone<HICON, DestroyIconObject>>;
using UniqueHfont = UniqueValue<NullIsNone<HFONT, DeleteFontObject>>;
using UniqueHwnd = UniqueValue<NullIsNone<HWND, DestroyWindowObject>>;
using UniqueHmodule = UniqueValue<NullIsNone<HMODULE, FreeLibraryModule>>;
// Memory the system allocated for the caller with LocalAlloc (security descriptors, SID texts).
using UniqueLocal = UniqueValue<NullIsNone<HLOCAL, FreeLocalMemory>>;
// A SID from AllocateAndInitializeSid.
using UniqueSid = UniqueValue<NullIsNone<PSID, FreeAllocatedSid>>;

}  // namespace lanqi::platform::win32
