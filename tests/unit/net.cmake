# Process memory, connectivity probe and network time fetch.
if(WIN32)
  set(LANQI_NET_TEST_SUPPORT net_test_support_win32.cpp)
else()
  set(LANQI_NET_TEST_SUPPORT net_test_support_posix.cpp)
endif()

lanqi_add_unit_test(net_tests
  net_process_memory_test.cpp
  net_probe_test.cpp
  net_http_date_test.cpp
  net_network_time_test.cpp
  ${LANQI_NET_TEST_SUPPORT})
target_link_libraries(net_tests PRIVATE lanqi_nettime lanqi_util)
if(WIN32)
  target_link_libraries(net_tests PRIVATE ws2_32)
endif()
