list(APPEND ORB_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/core/text_buffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/byte_buffer.cpp)
list(APPEND ORB_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/module.cpp
  ${CMAKE_CURRENT_LIST_DIR}/strings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exports.cpp
  ${CMAKE_CURRENT_LIST_DIR}/freed_memory.cpp)
