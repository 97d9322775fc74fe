# korval_test(NAME name SOURCES ... LIBS ... [LABELS ...])
# One CTest test per test program; every test runs headless with no display.
# Programs labelled "threads" also belong to korval_threaded_tests, the set that
# the ThreadSanitizer build compiles and runs.
if(NOT TARGET korval_tests)
  add_custom_target(korval_tests)
  add_custom_target(korval_threaded_tests)
endif()

function(korval_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  # The fuzz build keeps the unit tests out of its build and its test list; the
  # targets still exist so that a room's settings on them apply.
  if(KORVAL_FUZZ)
    add_executable(${T_NAME} EXCLUDE_FROM_ALL ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main Threads::Threads)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS "${T_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp;TSAN_OPTIONS=halt_on_error=1 second_deadlock_stack=1")
  add_dependencies(korval_tests ${T_NAME})
  if("threads" IN_LIST T_LABELS)
    add_dependencies(korval_threaded_tests ${T_NAME})
  endif()
endfunction()
