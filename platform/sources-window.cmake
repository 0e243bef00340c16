# The real main window, its controls, timers and tray icon (Windows only); the rules they follow
# (platform/timer_period.hpp, platform/text_cut.hpp) are header-only and shared by both builds.
list(APPEND LANQI_PLATFORM_WIN32
  win32/tray_icon.cpp
  win32/window_calls.cpp
  win32/main_window.cpp)
# The code page 936 conversions are shared with the shell's files; add them once.
if(NOT "win32/text_936.cpp" IN_LIST LANQI_PLATFORM_WIN32)
  list(APPEND LANQI_PLATFORM_WIN32 win32/text_936.cpp)
endif()
list(APPEND LANQI_PLATFORM_WIN32_LIBS comctl32 shell32 user32 gdi32)
