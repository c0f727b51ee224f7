# Windows build: the library, its English language module, the host program,
# and the Windows test programs (run under Wine by tools/winerun.sh).
set(ORB_WIN_FLAGS -static -static-libgcc -static-libstdc++)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/winerun.sh)

# The library's Win32 code, once as a static library for the test programs
# and once as the DLL.
add_library(orbshell STATIC ${ORB_SHELL_SOURCES})
target_include_directories(orbshell PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(orbshell PRIVATE ${ORB_WARNINGS} -fno-exceptions -fno-rtti)
target_compile_definitions(orbshell PUBLIC WINVER=0x0501 _WIN32_WINNT=0x0501 STRICT)
target_link_libraries(orbshell PUBLIC orbcore user32 gdi32 advapi32 kernel32)
target_compile_options(orbcore PRIVATE -fno-exceptions -fno-rtti)

add_library(OrbNetN01 SHARED ${ORB_SHELL_SOURCES}
            ${CMAKE_SOURCE_DIR}/resources/orbnet.rc ${CMAKE_SOURCE_DIR}/frame/OrbNetN01.def)
# The library's bitmaps and icons, drawn into the build folder.
set(ORB_PICTURE_DIR ${CMAKE_BINARY_DIR}/pictures)
set(ORB_PICTURES)
foreach(id 105 106 107 108 109 110 111 113 114 115 118 119 120)
  list(APPEND ORB_PICTURES ${ORB_PICTURE_DIR}/${id}.bmp)
endforeach()
list(APPEND ORB_PICTURES ${ORB_PICTURE_DIR}/116.ico ${ORB_PICTURE_DIR}/117.ico)
add_custom_command(OUTPUT ${ORB_PICTURES}
  COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tools/make_pictures.py ${ORB_PICTURE_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/make_pictures.py
  COMMENT "Drawing the library's pictures")
add_custom_target(orbpictures DEPENDS ${ORB_PICTURES})
add_dependencies(OrbNetN01 orbpictures)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/orbnet.rc PROPERTIES OBJECT_DEPENDS "${ORB_PICTURES}")
set_target_properties(OrbNetN01 PROPERTIES PREFIX "" OUTPUT_NAME OrbNetN01)
target_include_directories(OrbNetN01 PRIVATE ${CMAKE_SOURCE_DIR} ${ORB_PICTURE_DIR})
target_compile_options(OrbNetN01 PRIVATE ${ORB_WARNINGS} -fno-exceptions -fno-rtti)
target_compile_definitions(OrbNetN01 PRIVATE WINVER=0x0501 _WIN32_WINNT=0x0501 STRICT)
target_link_libraries(OrbNetN01 PRIVATE orbcore user32 gdi32 advapi32 kernel32)
target_link_options(OrbNetN01 PRIVATE ${ORB_WIN_FLAGS} -Wl,--kill-at -Wl,--enable-stdcall-fixup)

# orbntenn1.dll: resources only, no code.
add_library(orbntenn1 SHARED ${CMAKE_SOURCE_DIR}/lang/en/orbntenn.rc ${CMAKE_SOURCE_DIR}/lang/empty.c)
set_target_properties(orbntenn1 PROPERTIES PREFIX "" OUTPUT_NAME orbntenn1 LINKER_LANGUAGE C)
# The templates name their ids from the dialogs' headers.
target_include_directories(orbntenn1 PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(orbntenn1 PRIVATE -nostdlib -nostartfiles -Wl,--entry,0 -s)

add_executable(nethost ${CMAKE_SOURCE_DIR}/tools/nethost/nethost.cpp
               ${CMAKE_SOURCE_DIR}/tests/win/message_box_answerer.cpp
               ${CMAKE_SOURCE_DIR}/tests/win/window_picture.cpp
               ${CMAKE_SOURCE_DIR}/tests/win/file_dialog_driver.cpp
               ${CMAKE_SOURCE_DIR}/tests/win/test_ca.cpp)
target_include_directories(nethost PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests/win)
target_compile_options(nethost PRIVATE ${ORB_WARNINGS})
target_link_options(nethost PRIVATE ${ORB_WIN_FLAGS})
target_link_libraries(nethost PRIVATE orbcore user32 gdi32 crypt32)

option(ORB_WIN_TESTS "Build the Windows test programs" ON)
if(ORB_WIN_TESTS)
  # A build that is tested overwrites freed memory with a pattern, so that a
  # late use of a deleted object crashes the test (frame/freed_memory.cpp).
  target_compile_definitions(orbshell PRIVATE ORB_POISON_FREED)
  target_compile_definitions(OrbNetN01 PRIVATE ORB_POISON_FREED)
endif()
if(NOT ORB_WIN_TESTS)
  return()
endif()

# GoogleTest for Windows, from Debian's source package.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

include(${CMAKE_SOURCE_DIR}/tests/win/tests.cmake)
