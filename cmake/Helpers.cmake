# qm_test(NAME sources... LIBS libs...): one GoogleTest executable, one CTest entry.
# Under the Windows configuration CTest runs it through Wine (the cross-compiling emulator).
function(qm_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  if(WIN32)
    # Console subsystem so that GoogleTest's report reaches CTest.
    target_link_options(${name} PRIVATE -mconsole)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()

# Copy a built executable into the shippable folder build/dist.
function(qm_dist target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QM_DIST_DIR})
endfunction()
