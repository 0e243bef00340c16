# The offset editor, start at logon and the platform files, registry and process image under them.
lanqi_add_unit_test(shell_tests
  shell_offset_editor_test.cpp
  shell_autostart_test.cpp
  shell_directory_files_test.cpp)
target_link_libraries(shell_tests PRIVATE lanqi_app)
if(WIN32)
  target_sources(shell_tests PRIVATE shell_win32_test.cpp shell_win32_startup_test.cpp)
  # The exe's embedded manifest is read from the build tree, found from the test's own folder.
  if(TARGET LanqiClockGuard)
    file(RELATIVE_PATH lanqi_exe_from_tests ${CMAKE_CURRENT_BINARY_DIR}
         ${CMAKE_BINARY_DIR}/app/LanqiClockGuard.exe)
    target_compile_definitions(shell_tests PRIVATE
                               LANQI_EXE_FROM_TESTS="${lanqi_exe_from_tests}")
    add_dependencies(shell_tests LanqiClockGuard)
  endif()
else()
  target_sources(shell_tests PRIVATE shell_file_identity_test.cpp)
endif()
