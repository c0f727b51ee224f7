# The Internet file dialog through NETOpen, NETBrowse and NETSaveAs: its own
# FTP server (127.0.0.8, data connections at about 2 MB/s so that a
# transfer can be cancelled), scripted HTTP and HTTPS servers and tinyproxy.
include(${CMAKE_SOURCE_DIR}/tests/servers/fixtures.cmake)
orb_ftp_fixture(fd_ftp fdservers ORB_FTP_ADDRESS=127.0.0.8 ORB_FTP_THROTTLE=2000000)
orb_scripted_fixture(fd_http http ${CMAKE_SOURCE_DIR}/tests/servers/http_get.json)
orb_https_fixture(fd_https ${CMAKE_SOURCE_DIR}/tests/servers/http_get.json localhost)
orb_win_test(file_dialog_tests
  ${CMAKE_SOURCE_DIR}/tests/win/file_dialog_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/file_dialog_driver.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/c_header_check.c
  ${CMAKE_SOURCE_DIR}/tests/win/window_picture.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/test_ca.cpp)
target_link_libraries(file_dialog_tests PRIVATE crypt32)
set_tests_properties(file_dialog_tests PROPERTIES FIXTURES_REQUIRED "fd_ftp;fd_http;fd_https;http_tinyproxy" TIMEOUT 300)
orb_test_ca_env(file_dialog_tests)
