list(APPEND ORB_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/core/linked_list.cpp)
list(APPEND ORB_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/dialog_object.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialog_items.cpp
  ${CMAKE_CURRENT_LIST_DIR}/painters.cpp)
