list(APPEND LANQI_PLATFORM_WIN32 win32/win32_elevation.cpp)
list(APPEND LANQI_PLATFORM_POSIX posix/posix_elevation.cpp)
# advapi32: CheckTokenMembership; shell32: ShellExecuteExW.
list(APPEND LANQI_PLATFORM_WIN32_LIBS advapi32 shell32)
