# Helpers shared by the subsystem folders.

# darna_stage(target folder): put the built executable or DLL into the program
# folder (folder "" is the top, "file_r", "exp", ...).
function(darna_stage target folder)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${DARNA_DIST}/${folder}"
    PREFIX "")
endfunction()

# darna_stage_copy(target folder): also copy it to a second folder of the program
# folder (the browser's exp\file_r, exp\file_w).
function(darna_stage_copy target folder)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory "${DARNA_DIST}/${folder}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> "${DARNA_DIST}/${folder}/")
endfunction()

# darna_add_test(name SOURCES a.cpp ... LIBS lib ...): one test executable, run
# by ctest through wine64 as one process (one Wine start per executable).
function(darna_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} darna_gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()

# darna_add_bench(name SOURCES ... LIBS ...): a benchmark executable in build/bench.
function(darna_add_bench name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
endfunction()
