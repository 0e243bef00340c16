# The header and cookie text routines under libFuzzer.
lanqi_add_fuzzer(http_text_fuzzer
  ${CMAKE_CURRENT_LIST_DIR}/http_text_fuzzer.cpp
  ${PROJECT_SOURCE_DIR}/http/text.cpp
  ${PROJECT_SOURCE_DIR}/http/headers.cpp)
add_test(NAME http_text_fuzz
         COMMAND http_text_fuzzer -max_total_time=20 -rss_limit_mb=2048 -max_len=4096
                 -dict=${CMAKE_CURRENT_LIST_DIR}/http_text.dict)
