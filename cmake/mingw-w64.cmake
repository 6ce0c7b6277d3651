# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model,
# so std::thread and std::mutex work), for example:
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DBUILD_GUI=OFF
# The programs are linked statically: they run on Windows, and under Wine,
# without MinGW's DLLs beside them. ctest runs them under Wine
# (tools/windows/wine-exec); the Qt window is not part of this build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)

# Libraries and headers only from the MinGW tree; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# GCC 12 warns falsely (-Wrestrict) inside its own string concatenation once
# it is inlined at -O3, as in "x" + std::string; GCC 13 no longer does.
set(CMAKE_CXX_FLAGS_INIT -Wno-restrict)

# GoogleTest is not in the MinGW tree: build it from Debian's sources with
# this compiler (cmake/TestFramework.cmake).
set(GTEST_FROM_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources built with the project")

# ctest runs the test programs through Wine, one ctest test per program
# (project_test); building needs no Wine.
get_filename_component(project_root ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${project_root}/tools/windows/wine-exec)
