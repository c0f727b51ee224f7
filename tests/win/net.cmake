# Socket layer tests.
#
# net_transport_tests: the real socket library of Wine, with TCP peers made by
# the test program itself on 127.0.0.1.
orb_win_test(net_transport_tests
  ${CMAKE_SOURCE_DIR}/tests/win/net_transport_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/net_log_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp)
target_link_libraries(net_transport_tests PRIVATE ws2_32)
# A crash under Wine waits for its debugger: end it instead of hanging.
set_tests_properties(net_transport_tests PROPERTIES TIMEOUT 60)

# net_binding_tests: stand-in socket libraries, each in a folder of its own
# (fakewsock/<variant>/wsock32.dll) beside a copy of the test program, which
# reads its variant from ORB_FAKE_WSOCK. A "broken" folder holds a file that
# is no library at all.
add_executable(net_binding_tests
  ${CMAKE_SOURCE_DIR}/tests/win/net_binding_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp)
target_link_libraries(net_binding_tests PRIVATE orbshell gtest gtest_main)
target_include_directories(net_binding_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests/win)
target_compile_options(net_binding_tests PRIVATE -Wall -Wextra -Werror)
target_link_options(net_binding_tests PRIVATE ${ORB_WIN_FLAGS})
add_dependencies(net_binding_tests OrbNetN01 orbntenn1)

set(ORB_FAKE_WSOCK_ROOT ${CMAKE_BINARY_DIR}/fakewsock)
# variant version maxSockets def
set(ORB_FAKE_WSOCK_VARIANTS
  "v10 0x0001 32 wsock32"
  "v11 0x0101 32 wsock32"
  "v20 0x0002 32 wsock32"
  "max2 0x0101 2 wsock32"
  "max3 0x0101 3 wsock32"
  "no114 0x0101 32 wsock32_no114"
  "broken")
foreach(row ${ORB_FAKE_WSOCK_VARIANTS})
  separate_arguments(fields UNIX_COMMAND "${row}")
  list(GET fields 0 variant)
  set(dir ${ORB_FAKE_WSOCK_ROOT}/${variant})
  file(MAKE_DIRECTORY ${dir})
  if(variant STREQUAL "broken")
    file(WRITE ${dir}/wsock32.dll "this is not a library\n")
  else()
    list(GET fields 1 version)
    list(GET fields 2 maxSockets)
    list(GET fields 3 def)
    add_library(fakewsock_${variant} SHARED
      ${CMAKE_SOURCE_DIR}/tests/win/fakewsock/fake_wsock.c
      ${CMAKE_SOURCE_DIR}/tests/win/fakewsock/${def}.def)
    set_target_properties(fakewsock_${variant} PROPERTIES PREFIX "" OUTPUT_NAME wsock32
      RUNTIME_OUTPUT_DIRECTORY ${dir})
    target_compile_definitions(fakewsock_${variant} PRIVATE
      FAKE_VERSION=${version} FAKE_MAX_SOCKETS=${maxSockets})
    target_link_options(fakewsock_${variant} PRIVATE -static-libgcc -Wl,--kill-at -Wl,--enable-stdcall-fixup)
    add_dependencies(net_binding_tests fakewsock_${variant})
  endif()
  add_custom_command(TARGET net_binding_tests POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:net_binding_tests> ${dir}/)
  add_test(NAME net_binding_${variant}
    COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} ${dir}/net_binding_tests.exe
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(net_binding_${variant} PROPERTIES TIMEOUT 60 ENVIRONMENT
    "ORB_FAKE_WSOCK=${variant};WINEDLLOVERRIDES=mscoree,mshtml=\\;winedbg.exe=d\\;wsock32=n")
endforeach()
