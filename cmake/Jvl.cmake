# Helpers shared by every library of the project.

# Warnings for our own code only (Qt's headers come in as system headers).
function(jvl_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers -Winvalid-pch
    # In a unity build every .cpp is an included file, and GCC then flags the file-local types of a
    # file's own Private struct as if they came from a header.
    $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>
    # Brace elision in aggregate initialisers is how the geometry values are written; action methods
    # share names with object operations (`copy:` and `copy()`).
    $<$<CXX_COMPILER_ID:Clang>:-Wno-missing-braces -Wno-overloaded-virtual>)
  if(JVL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Test code needs no optimiser: at -O0 a large batch of test files compiles in half the time under the
# sanitizers, while the libraries keep the configuration's level so the suite stays quick and reports
# exact. Everything that shares the tests' precompiled header must agree on it.
set(JVL_TEST_CODE_OPTIONS -O0 CACHE STRING "Compile options of test programs and test support")
function(jvl_test_code target)
  target_compile_options(${target} PRIVATE ${JVL_TEST_CODE_OPTIONS})
endfunction()

# One precompiled header per kind of target, made by one owner (the kit's library, or for tests the
# small jvl_test_pch) and read by every other: each costs as much as a dozen ordinary files to build.
# JVL_PCH=OFF includes the same headers in every file instead: clang's precompiled headers hold
# absolute paths, so only then do several work trees share one compiler cache.
option(JVL_PCH "Precompiled headers" ON)
function(jvl_precompiled_headers target owner)
  if(NOT JVL_PCH)
    set(headers QtCore/QtCore QtGui/QtGui)
    if(owner STREQUAL "jvl_test_pch")
      list(PREPEND headers gtest/gtest.h)
    endif()
    foreach(h IN LISTS headers)
      target_compile_options(${target} PRIVATE "SHELL:-include ${h}")
    endforeach()
    return()
  endif()
  if(target STREQUAL owner OR NOT TARGET ${owner})
    target_precompile_headers(${target} PRIVATE ${ARGN})
  else()
    target_precompile_headers(${target} REUSE_FROM ${owner})
  endif()
endfunction()

# A test on a real X server (xvfb-run), COMMAND run on it; NEEDS names the variables of any other
# program it needs. Where one was not found it is still listed: failed in CI, skipped elsewhere. A
# gtest skip inside it makes the entry skipped, not passed (cmake/run-x11-test.sh). Entries hold the
# lock "xvfb": xvfb-run -a picks a free display by looking, which two starting at once can both pick.
find_program(XVFB_RUN xvfb-run)
find_program(JVL_BASH bash REQUIRED)
function(jvl_x11_test name)
  cmake_parse_arguments(ARG "" "" "NEEDS;COMMAND" ${ARGN})
  set(missing)
  foreach(var IN ITEMS XVFB_RUN ${ARG_NEEDS})
    if(NOT ${var})
      string(TOLOWER "${var}" tool)
      list(APPEND missing ${tool})
    endif()
  endforeach()
  set(runner ${JVL_BASH} ${PROJECT_SOURCE_DIR}/cmake/run-x11-test.sh)
  if(missing)
    string(REPLACE ";" ", " missing "${missing}")
    add_test(NAME ${name} COMMAND ${runner} --missing "${missing}")
  else()
    # -noreset: a server that resets as a test's last client goes refuses the next one's connection.
    add_test(NAME ${name} COMMAND ${runner} ${XVFB_RUN} -a -s "-screen 0 1280x800x24 -noreset" ${ARG_COMMAND})
  endif()
  set_tests_properties(${name} PROPERTIES RESOURCE_LOCK xvfb SKIP_RETURN_CODE 77)
endfunction()

# jvl_library(NAME [X11_TESTS] [DEPENDS libs...] [THREAD_TESTS files...])
# A shared library of one folder: every .cpp beside the CMakeLists.txt and one level below it,
# except tests/. Its tests (tests/*.cpp) become one GoogleTest executable NAME_tests. With
# X11_TESTS its real-X11 tests (X11*, skipped offscreen) run again under Xvfb as NAME_x11_tests.
# THREAD_TESTS names the test files (tests/<file>.cpp) whose tests start threads: they also make
# NAME_thread_tests, outside "all", which the ThreadSanitizer stage builds instead of the whole suite.
function(jvl_library name)
  cmake_parse_arguments(ARG "X11_TESTS" "" "DEPENDS;TEST_DEPENDS;RESOURCES;THREAD_TESTS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources EXCLUDE REGEX "/(tests|testsupport)/")
  add_library(${name} ${sources})
  # No per-library export macro: nothing reads it, and the libraries share one precompiled header.
  set_target_properties(${name} PROPERTIES DEFINE_SYMBOL "")
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  jvl_warnings(${name})
  jvl_precompiled_headers(${name} kit <QtCore/QtCore> <QtGui/QtGui>)
  if(ARG_RESOURCES)
    qt_add_resources(${name} "${name}_resources" PREFIX "/" BASE ${CMAKE_CURRENT_SOURCE_DIR} FILES ${ARG_RESOURCES})
  endif()

  # The tests' header is made by a target of its own, so that building one test program (the
  # ThreadSanitizer stage builds four) never drags in another's files.
  if(JVL_BUILD_TESTS AND name STREQUAL "kit")
    add_library(jvl_test_pch OBJECT ${PROJECT_SOURCE_DIR}/cmake/TestPrecompiledHeader.cpp)
    target_link_libraries(jvl_test_pch PRIVATE kit kit_testsupport GTest::gtest GTest::gmock)
    jvl_warnings(jvl_test_pch)
    jvl_test_code(jvl_test_pch)
    jvl_precompiled_headers(jvl_test_pch jvl_test_pch <gtest/gtest.h> <QtCore/QtCore> <QtGui/QtGui>)
  endif()

  if(JVL_BUILD_TESTS AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests)
    file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.h)
    if(test_sources)
      add_executable(${name}_tests ${test_sources})
      target_link_libraries(${name}_tests PRIVATE ${name} kit_testsupport ${ARG_TEST_DEPENDS} GTest::gtest GTest::gmock)
      jvl_warnings(${name}_tests)
      jvl_test_code(${name}_tests)
      jvl_precompiled_headers(${name}_tests jvl_test_pch <gtest/gtest.h> <QtCore/QtCore> <QtGui/QtGui>)
      add_test(NAME ${name}_tests COMMAND ${name}_tests --gtest_color=no)
      if(ARG_THREAD_TESTS)
        list(TRANSFORM ARG_THREAD_TESTS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/tests/)
        list(TRANSFORM ARG_THREAD_TESTS APPEND .cpp)
        add_executable(${name}_thread_tests EXCLUDE_FROM_ALL ${ARG_THREAD_TESTS})
        target_link_libraries(${name}_thread_tests PRIVATE ${name} kit_testsupport ${ARG_TEST_DEPENDS} GTest::gtest)
        jvl_warnings(${name}_thread_tests)
        jvl_test_code(${name}_thread_tests)
        jvl_precompiled_headers(${name}_thread_tests jvl_test_pch)
      endif()
      set_tests_properties(${name}_tests PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 900)
      # The same suite under a comma-decimal locale and another font DPI: nothing may depend on them.
      # Leaks stay with the first run of the same code: LeakSanitizer's thread suspension at exit
      # crashes now and then while eight suites run at once.
      add_test(NAME ${name}_tests_de_dpi144 COMMAND ${name}_tests --gtest_color=no)
      set_tests_properties(${name}_tests_de_dpi144 PROPERTIES TIMEOUT 900
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=de_DE.UTF-8;LANG=de_DE.UTF-8;QT_FONT_DPI=144;ASAN_OPTIONS=detect_leaks=0:strict_string_checks=1")
      # As kit_x11_tests: xkbcommon-x11 trips the strict string checks, and leaks stay with the
      # offscreen run of the same code.
      if(ARG_X11_TESTS)
        jvl_x11_test(${name}_x11_tests COMMAND $<TARGET_FILE:${name}_tests> --gtest_filter=X11*:*X11* --gtest_color=no)
        set_tests_properties(${name}_x11_tests PROPERTIES TIMEOUT 300
          ENVIRONMENT "QT_QPA_PLATFORM=xcb;ASAN_OPTIONS=detect_leaks=0:strict_string_checks=0")
      endif()
    endif()
  endif()
endfunction()
