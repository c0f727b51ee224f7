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
include_guard(GLOBAL)

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
