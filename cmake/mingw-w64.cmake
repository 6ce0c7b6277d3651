# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model,
# so std::thread and std::mutex work), for example:
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DBUILD_GUI=OFF
# With the window, Qt's own toolchain file comes first and loads this one
# (QT_CHAINLOAD_TOOLCHAIN_FILE; ./dev build --windows does so). Our programs
# link MinGW's runtime statically; Qt's DLLs bring theirs along
# (cmake/WindowsRuntime.cmake). ctest runs them under Wine
# (tools/windows/wine-exec).
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-compilers.cmake)

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
