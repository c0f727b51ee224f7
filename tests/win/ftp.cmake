orb_win_test(ftp_session_tests
  ${CMAKE_SOURCE_DIR}/tests/win/ftp_session_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/owner_window.cpp)
set_tests_properties(ftp_session_tests PROPERTIES FIXTURES_REQUIRED orb_servers)

include(${CMAKE_SOURCE_DIR}/tests/servers/fixtures.cmake)
orb_scripted_fixture(ftp_scripted ftp ${CMAKE_SOURCE_DIR}/tests/servers/smoke_ftp.json 127.0.0.3)
orb_win_test(ftp_scripted_tests
  ${CMAKE_SOURCE_DIR}/tests/win/ftp_scripted_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/owner_window.cpp)
set_tests_properties(ftp_scripted_tests PROPERTIES FIXTURES_REQUIRED ftp_scripted)
