// The program's entry point on Windows: the real system and the real main window, joined to the
// program.
#include <windows.h>

#include "app/program.hpp"
#include "platform/system.hpp"
#include "platform/win32/executable_path.hpp"
#include "platform/win32/main_window.hpp"

namespace {

// The offset file is found beside the executable through the current directory, whatever
// directory the program was started from.
void SetCurrentDirectoryToExecutables() {
  using namespace lanqi::platform::win32;
  const std::wstring folder = FolderOf(ExecutablePath());
  if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
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

  // These live until the process ends: worker routines may still use them when the program
  // ends, which it does by ending the process, never by returning from here.
  static lanqi::platform::win32::MainWindow window(instance);
  static lanqi::Program program(lanqi::platform::RealSystem(), window);

  window.ReleaseAtEnd([] { program.ReleaseProcessMemory(); });
  if (!window.Load(program.Events())) return 1;  // no window can be created, e.g. no desktop
  window.RunMessageLoop();
}
