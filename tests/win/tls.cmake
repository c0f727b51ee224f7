# The test CA's certificates as Wine's crypt32 judges them (the trust the
# https tests rely on).
include(${CMAKE_SOURCE_DIR}/tests/servers/fixtures.cmake)

orb_win_test(test_ca_tests
  ${CMAKE_SOURCE_DIR}/tests/win/test_ca_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/test_ca.cpp)
target_link_libraries(test_ca_tests PRIVATE crypt32)
orb_test_ca_env(test_ca_tests)
set_tests_properties(test_ca_tests PROPERTIES TIMEOUT 60)
