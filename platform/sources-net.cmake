# Process memory and sockets for the network time source.
list(APPEND LANQI_PLATFORM_WIN32 win32/win32_process_memory.cpp win32/win32_sockets.cpp)
list(APPEND LANQI_PLATFORM_POSIX posix/posix_process_memory.cpp posix/posix_sockets.cpp)
list(APPEND LANQI_PLATFORM_WIN32_LIBS ws2_32)
