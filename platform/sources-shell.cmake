# Files beside the executable, the machine registry and the executable's own path.
list(APPEND LANQI_PLATFORM_WIN32
  win32/win32_directory_files.cpp
  win32/win32_machine_registry.cpp
  win32/win32_process_image.cpp)
# The code page 936 conversions are shared with the window; add them once, whoever comes first.
if(NOT "win32/text_936.cpp" IN_LIST LANQI_PLATFORM_WIN32)
  list(APPEND LANQI_PLATFORM_WIN32 win32/text_936.cpp)
endif()
list(APPEND LANQI_PLATFORM_WIN32_LIBS psapi advapi32)
list(APPEND LANQI_PLATFORM_POSIX
  posix/posix_directory_files.cpp
  posix/memory_machine_registry.cpp
  posix/posix_process_image.cpp)
# The naming of the offset file's temporary files, shared by both builds.
list(APPEND LANQI_PLATFORM_COMMON run_directory_files.cpp)
