list(APPEND ORB_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/field_codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_formats.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_util.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/proxy_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/url_history.cpp
  ${CMAKE_CURRENT_LIST_DIR}/options_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/choices.cpp)
list(APPEND ORB_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/registry_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_module.cpp)
