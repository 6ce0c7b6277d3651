# The Windows archive, dispenser-console-VERSION-windows-x64.zip: the two
# programs with what the console needs beside it (installed by
# packaging/CMakeLists.txt: Qt's DLLs and plugins, MinGW's runtime DLLs), the
# README and the notices as Windows text files.
if(NOT BUILD_GUI OR NOT WINDOWS_QT)
  message(STATUS "No Windows archive: the build has no console (no Qt for Windows)")
  return()
endif()

# Which Qt, from which Debian source, with which options: its build's record.
file(STRINGS ${WINDOWS_QT}/BUILD-INFO qt_build)
list(GET qt_build 0 qt_source)
list(GET qt_build 1 qt_configure)
if(NOT qt_source MATCHES "^qt6-base ([^ ]+) " OR NOT qt_configure MATCHES "^configure ")
  message(FATAL_ERROR "${WINDOWS_QT}/BUILD-INFO does not say which qt6-base it was built from")
endif()
set(QT_SOURCE_VERSION ${CMAKE_MATCH_1})
string(REGEX REPLACE "^configure " "" QT_CONFIGURE "${qt_configure}")
set(QT_VERSION ${Qt6_VERSION})
set(text_dir ${CMAKE_CURRENT_BINARY_DIR}/windows)
configure_file(windows/NOTICES.txt.in ${text_dir}/NOTICES.in.txt @ONLY)

# Each text as IN -> OUT (relative to the archive's top), with CRLF line ends.
set(texts
    ${PROJECT_SOURCE_DIR}/README.md README.txt
    ${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt
    ${text_dir}/NOTICES.in.txt NOTICES.txt
    /usr/share/common-licenses/LGPL-3 licenses/LGPL-3.txt
    /usr/share/common-licenses/GPL-3 licenses/GPL-3.txt
    /usr/share/doc/libqt6core6/copyright licenses/qt6-base-copyright.txt
    /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright licenses/gcc-mingw-w64-copyright.txt
    /usr/share/doc/mingw-w64-x86-64-dev/copyright licenses/mingw-w64-copyright.txt)
set(outputs)
while(texts)
  list(POP_FRONT texts in out)
  if(NOT EXISTS ${in})
    message(FATAL_ERROR "The Windows archive's ${out} comes from ${in}, which is missing")
  endif()
  get_filename_component(dir ${out} DIRECTORY)
  add_custom_command(OUTPUT ${text_dir}/${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${in} -DOUT=${text_dir}/${out}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/windows/WindowsText.cmake
    DEPENDS ${in} windows/WindowsText.cmake VERBATIM)
  install(FILES ${text_dir}/${out} DESTINATION "./${dir}")
  list(APPEND outputs ${text_dir}/${out})
endwhile()
add_custom_target(archive_texts ALL DEPENDS ${outputs})

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME dispenser-console-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
