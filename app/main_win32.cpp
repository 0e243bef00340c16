// The program's entry point on Windows: it only wires the real window to the handlers.
#include <windows.h>

#include <string>

#include "app/main_window_handlers.hpp"
#include "nettime/system_network_time_source.hpp"
#include "platform/elevation.hpp"
#include "platform/process_image.hpp"
#include "platform/registry.hpp"
#include "platform/run_directory_files.hpp"
#include "platform/system.hpp"
#include "platform/win32/main_window.hpp"
#include "timekeeping/clock_state.hpp"
#include "util/process_memory.hpp"

namespace {

// The offset file is found beside the executable through the current directory, whatever
// directory the program was started from.
void SetCurrentDirectoryToExecutables() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // the path was cut off; long paths may exceed MAX_PATH
  }
  const std::size_t lastSeparator = path.find_last_of(L'\\');
  if (lastSeparator == std::wstring::npos) return;
  path.resize(lastSeparator == 2 ? 3 : lastSeparator);  // keep "C:\" for a drive's root
  SetCurrentDirectoryW(path.c_str());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything loads a DLL: DLLs are looked for in the system folder only. The elevated
  // copy runs from wherever the exe lies (often a Downloads folder), and a DLL planted there or
  // in the current directory would otherwise run with administrator rights. The empty DLL
  // directory also takes the current directory out of the older search order.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
  SetCurrentDirectoryToExecutables();

  // The one process-memory object exists before the window, as the probe relies on it.
  lanqi::MakeProcessMemory();

  // These live until the process ends: worker threads may still use them when the program ends,
  // which it does by ending the process, never by returning from here.
  static lanqi::ClockState clockState;
  static lanqi::platform::win32::MainWindow window(instance);
  static lanqi::SystemNetworkTimeSource network;
  static lanqi::TimeKeeper keeper{clockState, window, lanqi::platform::SystemLocalClock(),
                                  lanqi::platform::SystemWorkers(), network};
  static const auto runDirectoryFiles = lanqi::platform::MakeRunDirectoryFiles();
  static const auto machineRegistry = lanqi::platform::MakeMachineRegistry();
  static const auto processImage = lanqi::platform::MakeProcessImage();
  static lanqi::OffsetEditor offsetEditor(window, clockState, *runDirectoryFiles);
  static lanqi::Autostart autostart(window, *machineRegistry, *processImage);
  static lanqi::MainWindowHandlers handlers(keeper, offsetEditor, autostart,
                                            lanqi::platform::SystemElevation());

  window.ReleaseAtEnd([] { lanqi::ReleaseProcessMemory(); });
  if (!window.Load(handlers)) return 1;  // no window can be created, e.g. no desktop
  window.RunMessageLoop();
}
