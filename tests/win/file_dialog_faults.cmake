# Faults a server or a person can cause in the Internet file dialog: a
# scripted FTP server (127.0.0.71) and pyftpdlib (the file dialog's own,
# 127.0.0.8), the test build of the library (freed memory faults).
include(${CMAKE_SOURCE_DIR}/tests/servers/fixtures.cmake)
orb_scripted_fixture(fdf_ftp ftp ${CMAKE_SOURCE_DIR}/tests/servers/hostile.json 127.0.0.71)
orb_win_test(file_dialog_faults_tests
  ${CMAKE_SOURCE_DIR}/tests/win/file_dialog_faults_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/file_dialog_driver.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/window_picture.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp)
set_tests_properties(file_dialog_faults_tests PROPERTIES FIXTURES_REQUIRED "fdf_ftp;fd_ftp" TIMEOUT 600)
