# Flags every target of ours shares; folders link lanqi_options instead of repeating them.
set(LANQI_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
set(LANQI_SANITIZE "" CACHE STRING "Sanitizers for the native build: address,undefined or thread")

add_library(lanqi_options INTERFACE)
target_compile_features(lanqi_options INTERFACE cxx_std_20)
target_include_directories(lanqi_options INTERFACE ${PROJECT_SOURCE_DIR})
# Every plain string literal becomes code page 936 bytes; GB18030 rather than GBK because
# libstdc++'s <chrono> holds a character GBK lacks, and both agree on every GBK character.
target_compile_options(lanqi_options INTERFACE -Wall -Wextra -Werror)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(lanqi_options INTERFACE -fexec-charset=GB18030 -finput-charset=UTF-8)
endif()

if(WIN32)
  target_compile_definitions(lanqi_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                     _WIN32_WINNT=0x0601)
  target_link_options(lanqi_options INTERFACE -static)
  # Each function and datum in a section of its own, so that the exe's link can leave out what
  # nothing calls (--gc-sections, program/CMakeLists.txt).
  target_compile_options(lanqi_options INTERFACE -ffunction-sections -fdata-sections)
  # The same sources give the same exe in any folder: paths the compiler would keep (__FILE__,
  # debug info) are written relative to the source and build folders. The build folder's map
  # comes last, so it wins for a build folder inside the source folder. windres takes no such
  # option and keeps no path, hence C and C++ only.
  target_compile_options(lanqi_options INTERFACE
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=build>")
else()
  if(LANQI_SANITIZE)
    target_compile_options(lanqi_options INTERFACE -fsanitize=${LANQI_SANITIZE} -fno-omit-frame-pointer -g)
    target_link_options(lanqi_options INTERFACE -fsanitize=${LANQI_SANITIZE})
    if(LANQI_SANITIZE MATCHES "undefined")
      target_compile_options(lanqi_options INTERFACE -fno-sanitize-recover=undefined)
    endif()
  endif()
endif()

# Test and helper code may use GoogleTest macros that trip -Wextra in places; keep it strict still.
function(lanqi_library name)
  add_library(${name} STATIC ${ARGN})
  target_link_libraries(${name} PUBLIC lanqi_options)
endfunction()

# lanqi_link_layers(target folder): links the target to the library of every folder that
# cmake/layers.txt lets `folder` include from. A folder without a CMakeLists.txt holds headers or
# data only and has no library to link.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/layers.txt)
file(STRINGS ${PROJECT_SOURCE_DIR}/cmake/layers.txt lanqi_layer_lines REGEX "^[a-z_]+:")
# The folders from the bottom layer up, in the table's order.
set(LANQI_LAYER_FOLDERS "")
foreach(line IN LISTS lanqi_layer_lines)
  string(REGEX REPLACE ":.*" "" folder "${line}")
  list(APPEND LANQI_LAYER_FOLDERS ${folder})
endforeach()
function(lanqi_link_layers target folder)
  set(below "")
  set(found FALSE)
  foreach(line IN LISTS lanqi_layer_lines)
    if(line MATCHES "^${folder}:(.*)$")
      string(STRIP "${CMAKE_MATCH_1}" below)
      set(found TRUE)
    endif()
  endforeach()
  if(NOT found)
    message(FATAL_ERROR "${folder} is not in cmake/layers.txt")
  endif()
  separate_arguments(below)
  get_target_property(type ${target} TYPE)
  set(scope PUBLIC)
  if(type STREQUAL "INTERFACE_LIBRARY")
    set(scope INTERFACE)
  endif()
  foreach(layer IN LISTS below)
    if(TARGET lanqi_${layer})
      target_link_libraries(${target} ${scope} lanqi_${layer})
    elseif(EXISTS ${PROJECT_SOURCE_DIR}/${layer}/CMakeLists.txt)
      message(FATAL_ERROR "${layer} is used by ${folder}, so it must be added before it")
    endif()
  endforeach()
endfunction()
