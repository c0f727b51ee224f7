orb_win_test(transfer_ftp_tests
  ${CMAKE_SOURCE_DIR}/tests/win/transfer_ftp_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/owner_window.cpp)
# A local file that cannot grow: a link to the full device.
add_test(NAME transfer_full_link COMMAND ln -sf /dev/full ${CMAKE_BINARY_DIR}/transfer_full.bin)
set_tests_properties(transfer_full_link PROPERTIES FIXTURES_SETUP transfer_full)
set_tests_properties(transfer_ftp_tests PROPERTIES FIXTURES_REQUIRED "orb_servers;transfer_full")

include(${CMAKE_SOURCE_DIR}/tests/servers/fixtures.cmake)
orb_scripted_fixture(transfer_scripted ftp ${CMAKE_SOURCE_DIR}/tests/servers/transfer_ftp.json 127.0.0.4)
orb_win_test(transfer_scripted_tests
  ${CMAKE_SOURCE_DIR}/tests/win/transfer_scripted_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/owner_window.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp)
set_tests_properties(transfer_scripted_tests PROPERTIES FIXTURES_REQUIRED transfer_scripted)

orb_win_test(progress_dialog_tests
  ${CMAKE_SOURCE_DIR}/tests/win/progress_dialog_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/window_picture.cpp)

orb_win_test(temp_file_tests ${CMAKE_SOURCE_DIR}/tests/win/temp_file_test.cpp)
