# velmora_add_gtest(<name> SOURCES <files>... LIBS <targets>... [TIMEOUT s] [LABELS l...])
# One test program, one ctest entry. Windows programs run through the
# cross-compiling emulator (Wine) and need the prefix fixture.
function(velmora_add_gtest name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  velmora_register_test(${name} ${name} TIMEOUT ${ARG_TIMEOUT} LABELS ${ARG_LABELS})
  if(CMAKE_CROSSCOMPILING AND WIN32)
    # Under Wine a program that dies of an unhandled exception can still end
    # with status 0: a test program passes only when GoogleTest says so.
    set_tests_properties(${name} PROPERTIES
      PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]"
      FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
  endif()
endfunction()

# velmora_register_test(<test name> <program target> [TIMEOUT s] [LABELS ...] [ARGS ...])
function(velmora_register_test name target)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LABELS;ARGS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${target} ${ARG_ARGS})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
  if(CMAKE_CROSSCOMPILING AND WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix
      ENVIRONMENT "WINEPREFIX=${VELMORA_WINEPREFIX};WINEDEBUG=-all")
  endif()
endfunction()
