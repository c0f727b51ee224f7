# Broken and hostile servers: the exports against scripted FTP and HTTP
# servers that misbehave, with freed memory overwritten (test builds).
include(${CMAKE_SOURCE_DIR}/tests/servers/fixtures.cmake)
orb_scripted_fixture(hostile_ftp ftp ${CMAKE_SOURCE_DIR}/tests/servers/hostile.json 127.0.0.6)
orb_scripted_fixture(hostile_http http ${CMAKE_SOURCE_DIR}/tests/servers/hostile.json)
orb_win_test(hostile_server_tests
  ${CMAKE_SOURCE_DIR}/tests/win/hostile_server_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp)
set_tests_properties(hostile_server_tests PROPERTIES
  FIXTURES_REQUIRED "hostile_ftp;hostile_http" TIMEOUT 300)
