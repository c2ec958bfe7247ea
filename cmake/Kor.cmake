# Build helpers shared by every area: warnings, sanitizers, libraries, tests,
# fuzz targets and benchmarks.

set(KOR_WARNINGS -Wall -Wextra -Werror)

set(KOR_SANITIZER_FLAGS)
if(KOR_SANITIZE)
  list(APPEND KOR_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
       -fno-sanitize-recover=undefined)
  # The instrumentation makes GCC see uninitialised reads inside the standard library
  # (std::regex, std::function) that are not there.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    list(APPEND KOR_WARNINGS -Wno-maybe-uninitialized)
  endif()
endif()
if(KOR_FUZZ)
  list(APPEND KOR_SANITIZER_FLAGS -fsanitize=fuzzer-no-link,address,undefined
       -fno-omit-frame-pointer)
endif()
if(KOR_SANITIZER_FLAGS)
  add_compile_options(${KOR_SANITIZER_FLAGS})
  add_link_options(${KOR_SANITIZER_FLAGS})
endif()

# kor_library(NAME SOURCES ... [LIBS ...] [PRIVATE_LIBS ...])
# One static library per subsystem or layer, so a test links only what it needs.
# Headers are included from the project root: #include "core/Exception.h".
function(kor_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
  target_compile_options(${name} PRIVATE ${KOR_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
endfunction()

# kor_executable(NAME SOURCES ... [LIBS ...])
function(kor_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
  target_compile_options(${name} PRIVATE ${KOR_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()

# kor_test(NAME LABEL area SOURCES ... [LIBS ...] [ENV VAR=value ...] [TIMEOUT s])
# A GoogleTest program registered with ctest under one label naming its area.
function(kor_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LABEL;SOURCES;LIBS;ENV" ${ARGN})
  if(NOT KOR_TESTS)
    return()
  endif()
  kor_executable(${name} SOURCES ${ARG_SOURCES} LIBS ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  kor_test_properties(${name} "${ARG_LABEL}" "${ARG_TIMEOUT}" "${ARG_ENV}")
endfunction()

# Labels (every test has at least one), time limit and environment of a registered test.
function(kor_test_properties name labels timeout env)
  if(NOT labels)
    message(FATAL_ERROR "test ${name}: every test needs a LABEL")
  endif()
  if(NOT timeout)
    set(timeout 300)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT ${timeout})
  if(env)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
  endif()
  # Tests on the shared X server place windows at fixed spots and read the screen.
  if("e2e" IN_LIST labels)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK x11)
  endif()
endfunction()

# kor_script_test(NAME LABEL area COMMAND ... [ENV ...] [TIMEOUT s])
# A test driven by a shell script (real windows, clicks, whole processes).
function(kor_script_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LABEL;COMMAND;ENV" ${ARGN})
  if(NOT KOR_TESTS)
    return()
  endif()
  add_test(NAME ${name} COMMAND ${ARG_COMMAND} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  kor_test_properties(${name} "${ARG_LABEL}" "${ARG_TIMEOUT}" "${ARG_ENV}")
endfunction()

# kor_fuzzer(NAME LABEL area SOURCES ... [LIBS ...] [CORPUS dir])
# With KOR_FUZZ: a libFuzzer binary. Otherwise the same entry point linked with a
# small driver that replays the seed corpus, registered as a test, so the target
# keeps building and its seeds keep passing in every build.
function(kor_fuzzer name)
  cmake_parse_arguments(ARG "" "CORPUS" "LABEL;SOURCES;LIBS" ${ARGN})
  if(KOR_FUZZ)
    kor_executable(${name} SOURCES ${ARG_SOURCES} LIBS ${ARG_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    # scripts/test --fuzz finds each fuzzer and its seeds through this file.
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}.seeds "${ARG_CORPUS}")
  elseif(KOR_TESTS)
    kor_executable(${name} SOURCES ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/FuzzReplay.cpp
                   LIBS ${ARG_LIBS})
    if(ARG_CORPUS)
      add_test(NAME ${name}_seeds COMMAND ${name} ${ARG_CORPUS})
      set_tests_properties(${name}_seeds PROPERTIES LABELS "${ARG_LABEL};fuzz" TIMEOUT 120)
    endif()
  endif()
endfunction()

# kor_bench(NAME SOURCES ... [LIBS ...]): a Google Benchmark program in bench/.
function(kor_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  kor_executable(${name} SOURCES ${ARG_SOURCES} LIBS ${ARG_LIBS} benchmark::benchmark)
endfunction()

# Adds every subfolder of the current folder that has a CMakeLists.txt (one area's tests,
# benchmarks or one tool each), so a new area needs no edit here.
function(kor_add_subfolders)
  file(GLOB entries LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} *)
  foreach(entry IN LISTS entries)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${entry}/CMakeLists.txt)
      add_subdirectory(${entry})
    endif()
  endforeach()
endfunction()
