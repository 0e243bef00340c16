# Work carried between threads on Windows or Wine: the workers on the system thread pool and the
# calls carried to the window's thread.
if(WIN32)
  lanqi_add_unit_test(cross_thread_win32_tests workers_win32_test.cpp window_calls_win32_test.cpp)
  target_link_libraries(cross_thread_win32_tests PRIVATE lanqi_platform)
endif()
