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
list(APPEND LANQI_PLATFORM_WIN32_LIBS shell32 user32 gdi32)
# comctl32 is no KnownDLL: imported the usual way, the loader would look for it beside the exe
# (a Downloads folder) before wWinMain could restrict the search. Its functions are delay-loaded
# instead, bound on first call after the search has been limited to the system folder; the
# manifest's Common Controls 6 dependency then picks the side-by-side copy. A function used from
# comctl32 is added to the .def file.
if(WIN32)
  set(lanqi_comctl32_def ${CMAKE_CURRENT_LIST_DIR}/win32/comctl32_delayed.def)
  set(lanqi_comctl32_lib ${CMAKE_CURRENT_BINARY_DIR}/libcomctl32_delayed.a)
  execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${lanqi_comctl32_def}
                          --output-delaylib ${lanqi_comctl32_lib} --dllname comctl32.dll
                  RESULT_VARIABLE lanqi_dlltool_result)
  if(NOT lanqi_dlltool_result EQUAL 0)
    message(FATAL_ERROR "dlltool could not make the delay-load library of comctl32")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${lanqi_comctl32_def})
  list(APPEND LANQI_PLATFORM_WIN32_LIBS ${lanqi_comctl32_lib})
endif()
