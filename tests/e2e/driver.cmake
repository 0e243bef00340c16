# The end-to-end driver, a library that finds, reads and clicks the program's windows from another
# process like a person would, and the window waiter made of it. The run command (scripts/run.sh)
# uses the waiter too, so both are part of every Windows build, with or without the tests.
set(lanqi_e2e_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(lanqi_e2e_driver STATIC
  ${lanqi_e2e_dir}/clock_guard_driver.cpp
  ${lanqi_e2e_dir}/clock_line.cpp
  ${lanqi_e2e_dir}/launched_program.cpp
  ${lanqi_e2e_dir}/message_boxes.cpp
  ${lanqi_e2e_dir}/process_directory.cpp
  ${lanqi_e2e_dir}/process_list.cpp
  ${lanqi_e2e_dir}/scenario_folder.cpp
  ${lanqi_e2e_dir}/system_state.cpp
  ${lanqi_e2e_dir}/window_access.cpp
  ${lanqi_e2e_dir}/wine_tray.cpp)
target_link_libraries(lanqi_e2e_driver PUBLIC lanqi_options lanqi_datetime)

add_executable(lanqi_wait_window ${lanqi_e2e_dir}/wait_for_window.cpp)
target_link_libraries(lanqi_wait_window PRIVATE lanqi_e2e_driver)
set_target_properties(lanqi_wait_window PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                      ${CMAKE_BINARY_DIR}/tests/e2e)
# Test code, as in tests/CMakeLists.txt: little optimising, much less build time.
target_compile_options(lanqi_e2e_driver PRIVATE -O1)
target_compile_options(lanqi_wait_window PRIVATE -O1)
