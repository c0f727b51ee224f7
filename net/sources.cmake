list(APPEND ORB_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/network.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket_library.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/security_library.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tls_channel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command.cpp
  ${CMAKE_CURRENT_LIST_DIR}/protocol_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handler_scope.cpp)
