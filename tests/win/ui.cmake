orb_win_test(dialog_tests
  ${CMAKE_SOURCE_DIR}/tests/win/dialog_object_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/dialog_fixture.rc)

orb_win_test(password_prompt_tests
  ${CMAKE_SOURCE_DIR}/tests/win/password_prompt_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp)

orb_win_test(controls_tests
  ${CMAKE_SOURCE_DIR}/tests/win/controls_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/controls.rc)
