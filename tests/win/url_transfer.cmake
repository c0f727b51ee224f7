# Files moved by URL through the exports: the real FTP server, a scripted FTP
# server (timing and failures), a scripted HTTP server, tinyproxy, and squid
# in front of a real FTP server whose users each have an area of their own
# (127.0.0.21).
include(${CMAKE_SOURCE_DIR}/tests/servers/fixtures.cmake)
orb_scripted_fixture(url_ftp ftp ${CMAKE_SOURCE_DIR}/tests/servers/transfer_ftp.json 127.0.0.5)
orb_scripted_fixture(url_http http ${CMAKE_SOURCE_DIR}/tests/servers/http_get.json)
orb_ftp_fixture(url_homes_ftp homesftp ORB_FTP_ADDRESS=127.0.0.21 ORB_FTP_HOMES=1)
orb_squid_fixture(url_squid squid)
orb_win_test(url_transfer_tests
  ${CMAKE_SOURCE_DIR}/tests/win/url_transfer_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp)
set_tests_properties(url_transfer_tests PROPERTIES
  FIXTURES_REQUIRED "orb_servers;url_ftp;url_http;http_tinyproxy;url_homes_ftp;url_squid" TIMEOUT 300)
