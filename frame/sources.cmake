list(APPEND ORB_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/text_buffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/byte_buffer.cpp)
list(APPEND ORB_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/module.cpp
  ${CMAKE_CURRENT_LIST_DIR}/strings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exports.cpp
  ${CMAKE_CURRENT_LIST_DIR}/freed_memory.cpp)
