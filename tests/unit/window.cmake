# The main window's platform rules that need no window: the timer period mechanics and the cut of
# texts to fixed-size balloon fields. They run natively and under Wine alike.
lanqi_add_unit_test(window_tests
  window_timer_period_test.cpp
  window_text_cut_test.cpp)
