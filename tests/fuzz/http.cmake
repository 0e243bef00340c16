# The header and cookie text routines under libFuzzer. Built straight from their sources with
# clang's own flags: the shared options carry a GB18030 execution charset that clang does not
# offer, and these sources spell their one Chinese text as bytes.
enable_testing()
add_executable(http_text_fuzzer
  ${CMAKE_CURRENT_LIST_DIR}/http_text_fuzzer.cpp
  ${PROJECT_SOURCE_DIR}/http/text.cpp
  ${PROJECT_SOURCE_DIR}/http/headers.cpp)
target_include_directories(http_text_fuzzer PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_features(http_text_fuzzer PRIVATE cxx_std_20)
target_compile_options(http_text_fuzzer PRIVATE -g -Wall -Wextra -Werror
                       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
target_link_options(http_text_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
add_test(NAME http_text_fuzz
         COMMAND http_text_fuzzer -max_total_time=20 -rss_limit_mb=2048 -max_len=4096
                 -dict=${CMAKE_CURRENT_LIST_DIR}/http_text.dict)
