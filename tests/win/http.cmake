# HTTP fetches under Wine against the scripted HTTP server and tinyproxy.
include(${CMAKE_SOURCE_DIR}/tests/servers/fixtures.cmake)
orb_scripted_fixture(http_get http ${CMAKE_SOURCE_DIR}/tests/servers/http_get.json)

add_test(NAME http_tinyproxy_start
  COMMAND bash ${CMAKE_SOURCE_DIR}/tools/tinyproxy.sh start ${CMAKE_BINARY_DIR}/tinyproxy)
add_test(NAME http_tinyproxy_stop
  COMMAND bash ${CMAKE_SOURCE_DIR}/tools/tinyproxy.sh stop ${CMAKE_BINARY_DIR}/tinyproxy)
set_tests_properties(http_tinyproxy_start PROPERTIES FIXTURES_SETUP http_tinyproxy TIMEOUT 60)
set_tests_properties(http_tinyproxy_stop PROPERTIES FIXTURES_CLEANUP http_tinyproxy TIMEOUT 60)

orb_win_test(http_get_tests
  ${CMAKE_SOURCE_DIR}/tests/win/http_get_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/owner_window.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp)
set_tests_properties(http_get_tests PROPERTIES FIXTURES_REQUIRED "http_get;http_tinyproxy" TIMEOUT 300)
