# Language level, warnings and sanitizers for every target of the project.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

add_compile_options(-Wall -Wextra -Wpedantic)
if(WARNINGS_AS_ERRORS)
  add_compile_options(-Werror)
endif()

if(SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  # GCC 12 warns falsely that std::regex's own std::function members may be
  # used uninitialized once the sanitizers' checks are inlined; the plain build
  # keeps the warning.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
elseif(SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT SANITIZE STREQUAL "")
  message(FATAL_ERROR "SANITIZE must be empty, 'address' or 'thread', not '${SANITIZE}'")
endif()

# The fuzz build: every library with ASan + UBSan and the fuzzer's coverage;
# the fuzz targets link libFuzzer itself (fuzz/CMakeLists.txt).
if(BUILD_FUZZERS)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "BUILD_FUZZERS needs clang (CXX=clang++), not ${CMAKE_CXX_COMPILER_ID}")
  endif()
  if(NOT SANITIZE STREQUAL "")
    message(FATAL_ERROR "BUILD_FUZZERS brings its own sanitizers; leave SANITIZE empty")
  endif()
  add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# test_label_targets(program LABELS...): a test program joins tests_LABEL for
# each of its labels, the target that builds what "ctest -L LABEL" runs and
# nothing else (./dev test -- -L threads under TSan builds only tests_threads).
function(test_label_targets program)
  foreach(label ${ARGN})
    if(NOT TARGET tests_${label})
      add_custom_target(tests_${label})
      set_property(GLOBAL APPEND PROPERTY TEST_LABELS ${label})
    endif()
    add_dependencies(tests_${label} ${program})
  endforeach()
endfunction()

# project_test(NAME name SOURCES ... LIBS ... LABELS ...)
# One GoogleTest executable registered with ctest, test by test (as a whole
# when it runs through an emulator).
include(GoogleTest)
function(project_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  test_label_targets(${T_NAME} ${T_LABELS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    # Run through an emulator (Wine for the Windows build), where every start
    # is dear: one ctest test per program.
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
    return()
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_TIMEOUT 60
    TEST_LIST ${T_NAME}_TESTS
    PROPERTIES TIMEOUT ${T_TIMEOUT}
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  # Labels are set by a script of our own: gtest_discover_tests loses the
  # separators of a list of several labels ("unit;threads").
  set(labels_script ${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_labels.cmake)
  file(WRITE ${labels_script}
       "if(${T_NAME}_TESTS)\n"
       "  set_tests_properties(\${${T_NAME}_TESTS} PROPERTIES LABELS \"${T_LABELS}\")\n"
       "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${labels_script})
endfunction()

# project_qt_test(NAME name SOURCES ... LIBS ... LABELS ...)
# One Qt Test executable (its own main) registered with ctest as one test,
# on the offscreen platform.
function(project_qt_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES AUTOMOC ON)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test Qt6::Widgets Threads::Threads)
  test_label_targets(${T_NAME} ${T_LABELS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT}
                       ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
