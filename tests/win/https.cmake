# https under Wine: scripted TLS servers showing certificates of the test
# authority (good, expired, of an untrusted authority), a plain scripted
# server (redirects to https, a proxy refusing tunnels) and tinyproxy.
include(${CMAKE_SOURCE_DIR}/tests/servers/fixtures.cmake)
orb_https_fixture(https_good ${CMAKE_SOURCE_DIR}/tests/servers/smoke_http.json localhost)
orb_https_fixture(https_expired ${CMAKE_SOURCE_DIR}/tests/servers/smoke_http.json expired)
orb_https_fixture(https_untrusted ${CMAKE_SOURCE_DIR}/tests/servers/smoke_http.json untrusted)
orb_scripted_fixture(https_plain http ${CMAKE_SOURCE_DIR}/tests/servers/smoke_http.json)
orb_win_test(https_tests
  ${CMAKE_SOURCE_DIR}/tests/win/https_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/test_ca.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp)
target_link_libraries(https_tests PRIVATE crypt32)
set_tests_properties(https_tests PROPERTIES
  FIXTURES_REQUIRED "https_good;https_expired;https_untrusted;https_plain;http_tinyproxy" TIMEOUT 300)
orb_test_ca_env(https_tests)
# The same program where the platform has no security provider.
add_test(NAME https_without_provider
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:https_tests> --gtest_filter=UrlTransfer.HttpsWithoutSecurityProvider
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
set_tests_properties(https_without_provider PROPERTIES
  FIXTURES_REQUIRED "https_good;https_plain" TIMEOUT 120
  ENVIRONMENT "ORB_NO_SECURITY_PROVIDER=1;WINEDLLOVERRIDES=mscoree,mshtml=\;winedbg.exe=d\;secur32=d")
