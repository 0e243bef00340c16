lanqi_add_unit_test(app_tests
  app_window_handlers_test.cpp)
target_link_libraries(app_tests PRIVATE lanqi_app)
include(${CMAKE_CURRENT_LIST_DIR}/shell.cmake OPTIONAL)
