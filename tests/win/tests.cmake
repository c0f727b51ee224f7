# Windows test programs, run under Wine by CTest through tools/winerun.sh.
# orb_win_test(name sources...): a GoogleTest program linked with the
# library's Win32 code; it runs in the build folder, beside OrbNetN01.dll
# and orbntenn1.dll.
function(orb_win_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE orbshell gtest gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests/win)
  target_compile_options(${name} PRIVATE -Wall -Wextra -Werror)
  target_link_options(${name} PRIVATE ${ORB_WIN_FLAGS})
  target_compile_definitions(${name} PRIVATE ORB_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_dependencies(${name} OrbNetN01 orbntenn1 nethost)
  add_test(NAME ${name} COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()

# Each area adds its programs in a fragment of its own: tests/win/<area>.cmake
file(GLOB ORB_WIN_TEST_FRAGMENTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cmake)
list(REMOVE_ITEM ORB_WIN_TEST_FRAGMENTS ${CMAKE_SOURCE_DIR}/tests/win/tests.cmake)
foreach(fragment ${ORB_WIN_TEST_FRAGMENTS})
  include(${fragment})
endforeach()
