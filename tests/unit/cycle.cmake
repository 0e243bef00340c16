lanqi_add_unit_test(cycle_tests
  cycle_simulation.cpp
  cycle_calibration_test.cpp
  cycle_guard_test.cpp
  cycle_late_ticks_test.cpp
  cycle_long_run_test.cpp)
target_link_libraries(cycle_tests PRIVATE lanqi_timekeeping)
if(NOT WIN32)
  # Real threads counted by the POSIX workers; this is the suite to run under ThreadSanitizer.
  target_sources(cycle_tests PRIVATE cycle_threads_test.cpp)
else()
  # The real clock's call to set the time, recorded (Wine refuses the real one).
  target_sources(cycle_tests PRIVATE cycle_win32_clock_test.cpp)
endif()
