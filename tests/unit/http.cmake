# The loopback HTTP server of the tests, for the native and the Windows binaries.
add_library(lanqi_http_test_server STATIC
  ${PROJECT_SOURCE_DIR}/tests/http_server/loopback_http_server.cpp)
if(WIN32)
  target_sources(lanqi_http_test_server PRIVATE
    ${PROJECT_SOURCE_DIR}/tests/http_server/test_socket_win32.cpp)
  target_link_libraries(lanqi_http_test_server PUBLIC ws2_32)
else()
  target_sources(lanqi_http_test_server PRIVATE
    ${PROJECT_SOURCE_DIR}/tests/http_server/test_socket_posix.cpp)
endif()
target_link_libraries(lanqi_http_test_server PUBLIC lanqi_options)

# Text routines, the routine's calls seen through a recording object, and the behavioural suite
# against the build's real request object (libcurl natively, WinHTTP under Wine).
lanqi_add_unit_test(http_tests
  http_text_test.cpp
  http_request_steps_test.cpp
  http_request_test.cpp)
target_link_libraries(http_tests PRIVATE lanqi_http lanqi_http_test_server)
if(WIN32)
  # The COM apartment rules, against the system's own COM.
  target_sources(http_tests PRIVATE http_win32_test.cpp)
  target_link_libraries(http_tests PRIVATE ole32)
endif()
