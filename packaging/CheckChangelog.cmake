# cmake -DVERSION=X.Y.Z -DCHANGELOG=FILE -P CheckChangelog.cmake
# Fails unless the changelog's first entry is the release being packaged.
file(STRINGS ${CHANGELOG} first LIMIT_COUNT 1)
if(NOT first MATCHES "^dispenser-console \\(([^)]+)\\)")
  message(FATAL_ERROR "${CHANGELOG}: the first line is no entry's heading: ${first}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
  message(FATAL_ERROR "${CHANGELOG}: the first entry is ${CMAKE_MATCH_1}, the release is ${VERSION}: "
                      "add the release's entry")
endif()
