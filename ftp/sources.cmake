list(APPEND ORB_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/core/reply_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/ftp_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/listing_collector.cpp)
list(APPEND ORB_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ftp_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ftp_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/data_connection.cpp)
