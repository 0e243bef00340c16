# The HTTP date reader under libFuzzer.
lanqi_add_fuzzer(net_http_date_fuzzer
  ${CMAKE_CURRENT_LIST_DIR}/net_http_date_fuzzer.cpp
  ${PROJECT_SOURCE_DIR}/nettime/http_date.cpp)
add_test(NAME net_http_date_fuzz
         COMMAND net_http_date_fuzzer -max_total_time=20 -rss_limit_mb=2048
                 -dict=${CMAKE_CURRENT_LIST_DIR}/net_http_date.dict)
