# A platform library from one folder: the portable sources beside this
# folder's CMakeLists.txt (and in any EXTRA folder named), and those of the
# operating system's own subfolder, win32/ or posix/.
#   platform_library(NAME [EXTRA sim ...])
function(platform_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "EXTRA")
  if(WIN32)
    set(os win32)
  else()
    set(os posix)
  endif()
  set(patterns ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${os}/*.cpp)
  foreach(extra IN LISTS arg_EXTRA)
    list(APPEND patterns ${CMAKE_CURRENT_SOURCE_DIR}/${extra}/*.cpp)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${patterns})
  add_library(${name} STATIC ${sources})
endfunction()
