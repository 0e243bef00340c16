# The Windows workers on the system thread pool, under Windows or Wine.
if(WIN32)
  lanqi_add_unit_test(workers_win32_tests workers_win32_test.cpp)
  target_link_libraries(workers_win32_tests PRIVATE lanqi_platform)
endif()
