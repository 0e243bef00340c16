# The HTTP date reader under libFuzzer. Built straight from its source with clang's own flags:
# the shared options carry a GB18030 execution charset that clang does not offer, and the reader
# has no Chinese text.
add_executable(net_http_date_fuzzer
  ${CMAKE_CURRENT_LIST_DIR}/net_http_date_fuzzer.cpp
  ${PROJECT_SOURCE_DIR}/nettime/http_date.cpp)
target_include_directories(net_http_date_fuzzer PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_features(net_http_date_fuzzer PRIVATE cxx_std_20)
target_compile_options(net_http_date_fuzzer PRIVATE -g -Wall -Wextra -Werror
                       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
target_link_options(net_http_date_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
add_test(NAME net_http_date_fuzz
         COMMAND net_http_date_fuzzer -max_total_time=20 -rss_limit_mb=2048
                 -dict=${CMAKE_CURRENT_LIST_DIR}/net_http_date.dict)
