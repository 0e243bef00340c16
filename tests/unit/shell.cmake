# The offset editor, start at logon and the platform files, registry and process image under them.
lanqi_add_unit_test(shell_tests
  shell_offset_editor_test.cpp
  shell_autostart_test.cpp
  shell_directory_files_test.cpp)
target_link_libraries(shell_tests PRIVATE lanqi_app)
if(WIN32)
  target_sources(shell_tests PRIVATE shell_win32_test.cpp)
else()
  target_sources(shell_tests PRIVATE shell_file_identity_test.cpp)
endif()
