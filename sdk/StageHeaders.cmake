# Copies the public headers into the staging folder under the library's
# prefix, each include of another header of the tree ("serial/ComText.h")
# written as the installed form (<lineport/serial/ComText.h>); a copy whose
# text did not change is left alone, so its users are not rebuilt.
#   cmake -DSOURCE_DIR=... -DSTAGE_DIR=... -DPREFIX=lineport -DHEADERS=a.h,b.h -P StageHeaders.cmake
string(REPLACE "," ";" headers "${HEADERS}")
foreach(header IN LISTS headers)
  file(READ ${SOURCE_DIR}/${header} text)
  string(REGEX REPLACE "#include \"([^\"]+)\"" "#include <${PREFIX}/\\1>" text "${text}")
  set(target ${STAGE_DIR}/${PREFIX}/${header})
  if(EXISTS ${target})
    file(READ ${target} old)
    if(old STREQUAL text)
      continue()
    endif()
  endif()
  file(WRITE ${target} "${text}")
endforeach()
