list(APPEND ORB_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/core/field_codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/settings_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/list_formats.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/text_util.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/host_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/proxy_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/url_history.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/options_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/choices.cpp)
list(APPEND ORB_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/registry_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_module.cpp)
