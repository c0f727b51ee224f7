# Test servers as CTest fixtures, and the helpers of the tests that use them.
include(${CMAKE_SOURCE_DIR}/tests/servers/fixtures.cmake)

orb_ftp_fixture(orb_servers servers)

orb_win_test(owner_window_tests
  ${CMAKE_SOURCE_DIR}/tests/win/owner_window_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/owner_window.cpp)

orb_scripted_fixture(smoke_scripted_ftp ftp ${CMAKE_SOURCE_DIR}/tests/servers/smoke_ftp.json 127.0.0.250)
orb_scripted_fixture(smoke_scripted_http http ${CMAKE_SOURCE_DIR}/tests/servers/smoke_http.json)
orb_win_test(servers_smoke_tests ${CMAKE_SOURCE_DIR}/tests/win/servers_smoke_test.cpp)
target_link_libraries(servers_smoke_tests PRIVATE ws2_32)
set_tests_properties(servers_smoke_tests PROPERTIES
  FIXTURES_REQUIRED "orb_servers;smoke_scripted_ftp;smoke_scripted_http")
set_tests_properties(owner_window_tests servers_smoke_tests PROPERTIES TIMEOUT 120)
