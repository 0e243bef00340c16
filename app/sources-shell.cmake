# The offset editor and start at logon.
target_sources(lanqi_app PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/offset_editor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/autostart.cpp)
