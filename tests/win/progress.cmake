# The progress window of transfers through the exports: a scripted FTP
# server on 127.0.0.11 and a scripted HTTP server.
include(${CMAKE_SOURCE_DIR}/tests/servers/fixtures.cmake)
orb_scripted_fixture(progress_plain ftp ${CMAKE_SOURCE_DIR}/tests/servers/transfer_ftp.json 127.0.0.11)
orb_scripted_fixture(progress_http http ${CMAKE_SOURCE_DIR}/tests/servers/http_get.json)
orb_win_test(progress_tests
  ${CMAKE_SOURCE_DIR}/tests/win/progress_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp)
set_tests_properties(progress_tests PROPERTIES
  FIXTURES_REQUIRED "progress_plain;progress_http" TIMEOUT 300)

# Files over 4 GB, stored and retrieved whole: pyftpdlib on 127.0.0.12
# without a limit, storing blocks of zeros as holes.
orb_ftp_fixture(large_ftp large_ftp ORB_FTP_ADDRESS=127.0.0.12 ORB_FTP_ANNOUNCE=1 ORB_FTP_SPARSE=1)
orb_win_test(large_file_tests
  ${CMAKE_SOURCE_DIR}/tests/win/large_file_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp)
set_tests_properties(large_file_tests PROPERTIES FIXTURES_REQUIRED large_ftp TIMEOUT 900)
