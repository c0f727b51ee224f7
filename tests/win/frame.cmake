orb_win_test(frame_tests
  ${CMAKE_SOURCE_DIR}/tests/win/frame_strings_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/frame_exports_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp)
