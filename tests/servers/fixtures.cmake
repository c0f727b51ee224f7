# CTest fixtures that start and stop the test servers around the Windows
# tests (included by any tests/win/<area>.cmake that needs them).
#
#   orb_servers: the real FTP server on 127.0.0.2:21, users anonymous and
#     alice/secret, root <build>/servers/ftproot (defined in servers.cmake;
#     a test sets FIXTURES_REQUIRED orb_servers).
#
#   orb_ftp_fixture(<name> <statedir> [VAR=value...])
#     the real FTP server (tools/servers.sh) for the tests that require
#     fixture <name>, its state in <build>/<statedir>; the settings are its
#     environment (ORB_FTP_ADDRESS, ORB_FTP_THROTTLE, ORB_FTP_ANNOUNCE,
#     ORB_FTP_SPARSE).
#
#   orb_scripted_fixture(<name> ftp <script> <address>)
#   orb_scripted_fixture(<name> http <script>)
#     a scripted server for the tests that require fixture <name>; its state
#     folder, <build>/scripted/<name>, holds script.json (read again for each
#     connection), transcript.txt and, for http, the port in "port". Each
#     scripted FTP fixture needs an address of its own (port 21 always).
#
#   orb_test_ca: the certificates of tests/servers/make_test_ca.sh (test
#     CA, localhost, expired, untrusted) in <build>/test_ca, made once and
#     again when the script changes.
#
#   orb_test_ca_env(<test>...)
#     the tests require orb_test_ca and find its folder in ORB_TEST_CA_DIR.
#
#   orb_https_fixture(<name> <script> <certname>)
#     a scripted HTTP server over TLS, as orb_scripted_fixture http, that
#     shows <build>/test_ca/<certname>.pem (localhost, expired, untrusted).
#
#   orb_squid_fixture(<name> <statedir>)
#     squid, a real World Wide Web proxy that fetches ftp:// URLs with its
#     own FTP client, on 127.0.0.1, a free port in <build>/<statedir>/port;
#     its configuration, tools/squid.sh: stock squid that serves 127.0.0.1,
#     caches nothing and logs each request to <statedir>/access.log.
include_guard(GLOBAL)

if(NOT TEST orb_test_ca)
  add_test(NAME orb_test_ca
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/servers/make_test_ca.sh ${CMAKE_BINARY_DIR}/test_ca)
  set_tests_properties(orb_test_ca PROPERTIES FIXTURES_SETUP orb_test_ca TIMEOUT 60)
endif()

function(orb_test_ca_env)
  foreach(test ${ARGN})
    set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED orb_test_ca)
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT ORB_TEST_CA_DIR=${CMAKE_BINARY_DIR}/test_ca)
  endforeach()
endfunction()

function(orb_ftp_fixture name state)
  add_test(NAME ${name}_start
    COMMAND env ${ARGN} bash ${CMAKE_SOURCE_DIR}/tools/servers.sh start ${CMAKE_BINARY_DIR}/${state})
  add_test(NAME ${name}_stop COMMAND bash ${CMAKE_SOURCE_DIR}/tools/servers.sh stop ${CMAKE_BINARY_DIR}/${state})
  set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 60)
  set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name} TIMEOUT 60)
endfunction()

function(orb_scripted_fixture name kind script)
  set(state ${CMAKE_BINARY_DIR}/scripted/${name})
  add_test(NAME ${name}_start
    COMMAND bash ${CMAKE_SOURCE_DIR}/tools/scripted.sh start ${kind} ${state} ${script} ${ARGN})
  add_test(NAME ${name}_stop COMMAND bash ${CMAKE_SOURCE_DIR}/tools/scripted.sh stop ${state})
  set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 60)
  set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name} TIMEOUT 60)
endfunction()

function(orb_https_fixture name script certname)
  orb_scripted_fixture(${name} https ${script} ${certname})
  orb_test_ca_env(${name}_start)
endfunction()

function(orb_squid_fixture name state)
  add_test(NAME ${name}_start COMMAND bash ${CMAKE_SOURCE_DIR}/tools/squid.sh start ${CMAKE_BINARY_DIR}/${state})
  add_test(NAME ${name}_stop COMMAND bash ${CMAKE_SOURCE_DIR}/tools/squid.sh stop ${CMAKE_BINARY_DIR}/${state})
  set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 60)
  set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name} TIMEOUT 60)
endfunction()
