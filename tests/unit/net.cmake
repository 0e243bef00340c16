# Process memory, connectivity probe and network time fetch.
if(WIN32)
  # The Winsock owners, with the test support that owns handles through them.
  set(LANQI_NET_TEST_SUPPORT net_test_support_win32.cpp net_winsock_test.cpp)
else()
  # The descriptor owner, with the test support that owns descriptors through it.
  set(LANQI_NET_TEST_SUPPORT net_test_support_posix.cpp net_unique_fd_test.cpp)
endif()

lanqi_add_unit_test(net_tests
  net_process_memory_test.cpp
  net_probe_test.cpp
  net_http_date_test.cpp
  net_network_time_test.cpp
  ${LANQI_NET_TEST_SUPPORT})
target_link_libraries(net_tests PRIVATE lanqi_nettime lanqi_util lanqi_http_test_server)
if(WIN32)
  target_link_libraries(net_tests PRIVATE ws2_32)
endif()

# The probe and the fetch of the real system inside a private network namespace (root only; the
# script skips with code 77 otherwise). Under Wine the same script runs the Windows build.
add_executable(net_probe_driver ${PROJECT_SOURCE_DIR}/tests/netns/net_probe_driver.cpp)
target_link_libraries(net_probe_driver PRIVATE lanqi_nettime)
if(WIN32)
  add_test(NAME net_netns_probe_wine
           COMMAND ${PROJECT_SOURCE_DIR}/tests/netns/wine_probe_netns.sh
                   $<TARGET_FILE:net_probe_driver>)
  set_tests_properties(net_netns_probe_wine PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
else()
  add_test(NAME net_netns_probe
           COMMAND ${PROJECT_SOURCE_DIR}/tests/netns/probe_netns.sh $<TARGET_FILE:net_probe_driver>)
  set_tests_properties(net_netns_probe PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
endif()

# The real program under Wine in a private network namespace, reading the time from a fake
# reference server; the reader tool watches its log box.
if(WIN32)
  add_executable(net_log_box_reader ${PROJECT_SOURCE_DIR}/tests/netns/log_box_reader.cpp)
  target_link_libraries(net_log_box_reader PRIVATE lanqi_options)
  if(TARGET LanqiClockGuard)
    add_test(NAME net_netns_app_wine
             COMMAND ${PROJECT_SOURCE_DIR}/tests/netns/wine_app_netns.sh
                     $<TARGET_FILE:LanqiClockGuard> $<TARGET_FILE:net_log_box_reader>)
    set_tests_properties(net_netns_app_wine PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
  endif()
endif()
