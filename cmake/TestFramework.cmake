# GoogleTest for the tests: Debian's installed package, or, when
# GTEST_FROM_SOURCE names its source tree (cross builds), built from there
# with the project's compiler. Either way the targets are GTest::gtest,
# GTest::gtest_main and GTest::gmock.
if(GTEST_FROM_SOURCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  # GoogleTest's own code is not ours to keep warning-free.
  add_subdirectory(${GTEST_FROM_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(lib gtest gtest_main gmock gmock_main)
    target_compile_options(${lib} PRIVATE -w)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
