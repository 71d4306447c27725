# qm_test(NAME sources... LIBS libs...): one GoogleTest executable, one CTest entry.
# Under the Windows configuration CTest runs it through Wine (the cross-compiling emulator).
function(qm_test name)
  cmake_parse_arguments(T "" "WRAPPER" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  if(WIN32)
    # Console subsystem so that GoogleTest's report reaches CTest.
    target_link_options(${name} PRIVATE -mconsole)
  endif()
  qm_harden(${name})
  if(T_WRAPPER)
    # A script that prepares the machine (a small drive, say) and runs the program under Wine.
    add_test(NAME ${name} COMMAND ${T_WRAPPER} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>
             --gtest_brief=1)
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()

# qm_test_time_zones(NAME FILTER): two more CTest entries that run the time-zone cases of a
# Windows test executable with TZ set to a zone with daylight saving and to one far from UTC.
# Wine takes its time zone from the host's TZ.
function(qm_test_time_zones name filter)
  foreach(zone Europe/Berlin Pacific/Auckland)
    string(REGEX REPLACE ".*/" "" city ${zone})
    add_test(NAME ${name}_${city} COMMAND ${name} --gtest_brief=1 --gtest_filter=${filter})
    set_tests_properties(${name}_${city} PROPERTIES ENVIRONMENT TZ=${zone} TIMEOUT 900)
  endforeach()
endfunction()

# Copy a built executable into the shippable folder build/dist.
function(qm_dist target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QM_DIST_DIR})
endfunction()

# qm_fuzz(NAME SOURCES ... LIBS ... [SEED_DIR dir] [DEPENDS targets]): one libFuzzer target and a
# CTest entry that runs it for QM_FUZZ_SECONDS on a fresh working corpus seeded from SEED_DIR.
set(QM_FUZZ_SECONDS 30 CACHE STRING "Length of each fuzz smoke run in seconds")
function(qm_fuzz name)
  cmake_parse_arguments(F "" "SEED_DIR" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  if(F_DEPENDS)
    add_dependencies(${name} ${F_DEPENDS})
  endif()
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-work)
  add_test(NAME ${name}_smoke
           COMMAND ${CMAKE_COMMAND} -DFUZZER=$<TARGET_FILE:${name}> -DWORK=${work}
                   -DSEEDS=${F_SEED_DIR} -DSECONDS=${QM_FUZZ_SECONDS}
                   -P ${CMAKE_SOURCE_DIR}/cmake/RunFuzzer.cmake)
  set_tests_properties(${name}_smoke PROPERTIES TIMEOUT 600)
endfunction()

# The DLL search of a shipped or test executable is limited to the system folder from its start.
function(qm_harden target)
  if(WIN32)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:qm_dll_search>)
  endif()
endfunction()
