# The main window's platform rules that need no window: the timer period mechanics and the cut of
# texts to fixed-size balloon fields. They run natively and under Wine alike.
lanqi_add_unit_test(window_tests
  window_timer_period_test.cpp
  window_text_cut_test.cpp)

# The real window, under Windows or Wine (needs a desktop; skipped without one).
if(WIN32)
  lanqi_add_unit_test(window_win32_tests window_win32_test.cpp window_win32_records_test.cpp
                      window_icon.rc)
  target_link_libraries(window_win32_tests PRIVATE lanqi_platform)
endif()
