# The HTTP request object: WinHTTP's COM object on Windows, libcurl on Linux.
list(APPEND LANQI_PLATFORM_COMMON http_header_field.cpp)
list(APPEND LANQI_PLATFORM_WIN32
  win32/winhttp_request_object.cpp
  win32/winhttp_thread_scope.cpp)
list(APPEND LANQI_PLATFORM_WIN32_LIBS ole32 oleaut32 uuid)
if(NOT WIN32)
  find_package(CURL REQUIRED)
  list(APPEND LANQI_PLATFORM_POSIX posix/curl_request_object.cpp)
  list(APPEND LANQI_PLATFORM_POSIX_LIBS CURL::libcurl)
endif()
