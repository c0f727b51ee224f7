orb_win_test(settings_tests
  ${CMAKE_SOURCE_DIR}/tests/win/settings_registry_test.cpp)
