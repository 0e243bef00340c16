#include "platform/win32/tray_icon_image.hpp"

#include "resources/resource_ids.h"

namespace lanqi::platform::win32 {

namespace {

// Windows 10 1607 and later; looked up so that a system without them still gets an icon.
using SetThreadDpiAwarenessContextFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
using GetDpiForSystemFunction = UINT(WINAPI*)();
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

template <typename Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

constexpr UINT kUnscaledDpi = 96;

}  // namespace

UINT ShellDpi() {
  const auto setContext =
      User32Function<SetThreadDpiAwarenessContextFunction>("SetThreadDpiAwarenessContext");
  const auto dpiForSystem = User32Function<GetDpiForSystemFunction>("GetDpiForSystem");
  if (setContext == nullptr || dpiForSystem == nullptr) return kUnscaledDpi;
  const DPI_AWARENESS_CONTEXT previous = setContext(DPI_AWARENESS_CONTEXT_SYSTEM_AWARE);
  if (previous == nullptr) return kUnscaledDpi;
  const UINT dpi = dpiForSystem();
  setContext(previous);
  return dpi != 0 ? dpi : kUnscaledDpi;
}

int SmallIconSizeForDpi(UINT dpi) {
  if (const auto metricsForDpi =
          User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi")) {
    if (const int size = metricsForDpi(SM_CXSMICON, dpi); size > 0) return size;
  }
  return MulDiv(GetSystemMetrics(SM_CXSMICON), static_cast<int>(dpi), kUnscaledDpi);
}

UniqueHicon LoadProgramIcon(HINSTANCE instance, int size) {
  return UniqueHicon(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(LANQI_ICON_ID), IMAGE_ICON, size, size, 0)));
}

}  // namespace lanqi::platform::win32
