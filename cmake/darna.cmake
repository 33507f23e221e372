# Helpers shared by the subsystem folders.

# darna_dist_target(target): the target puts something into the program folder;
# `darna_programs` (what scripts/run.sh builds) depends on every such target.
# Every target that writes into ${DARNA_DIST} registers here, and nothing else
# writes there: scripts/check-dist.sh fails the test run when building the rest
# of the tree added anything to the folder that darna_programs had staged.
function(darna_dist_target target)
  set_property(GLOBAL APPEND PROPERTY DARNA_DIST_TARGETS ${target})
endfunction()

# darna_stage(target folder): put the built executable or DLL into the program
# folder (folder "" is the top, "file_r", "exp", ...).
function(darna_stage target folder)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${DARNA_DIST}/${folder}"
    PREFIX "")
  darna_dist_target(${target})
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

# darna_pictures(outvar outdir BITMAPS names... ICONS names... CURSORS names...):
# turns resources/bitmaps/<name>.xpm into <outdir>/<name>.bmp, .ico or .cur at
# build time; outvar receives the files made.
function(darna_pictures outvar outdir)
  cmake_parse_arguments(P "" "" "BITMAPS;ICONS;CURSORS" ${ARGN})
  find_program(DARNA_CONVERT convert REQUIRED)
  set(src ${CMAKE_SOURCE_DIR}/resources)
  set(files)
  foreach(b ${P_BITMAPS})
    add_custom_command(OUTPUT ${outdir}/${b}.bmp
      COMMAND ${CMAKE_COMMAND} -E make_directory ${outdir}
      COMMAND ${DARNA_CONVERT} ${src}/bitmaps/${b}.xpm -type TrueColor BMP3:${outdir}/${b}.bmp
      DEPENDS ${src}/bitmaps/${b}.xpm VERBATIM)
    list(APPEND files ${outdir}/${b}.bmp)
  endforeach()
  foreach(i ${P_ICONS})
    add_custom_command(OUTPUT ${outdir}/${i}.ico
      COMMAND ${CMAKE_COMMAND} -E make_directory ${outdir}
      COMMAND ${DARNA_CONVERT} ${src}/bitmaps/${i}.xpm ICO:${outdir}/${i}.ico
      DEPENDS ${src}/bitmaps/${i}.xpm VERBATIM)
    list(APPEND files ${outdir}/${i}.ico)
  endforeach()
  foreach(c ${P_CURSORS})
    add_custom_command(OUTPUT ${outdir}/${c}.cur
      COMMAND ${CMAKE_COMMAND} -E make_directory ${outdir}
      COMMAND sh ${src}/make_cursor.sh ${src}/bitmaps/${c}.xpm ${outdir}/${c}.cur
      DEPENDS ${src}/bitmaps/${c}.xpm ${src}/make_cursor.sh VERBATIM)
    list(APPEND files ${outdir}/${c}.cur)
  endforeach()
  set(${outvar} ${files} PARENT_SCOPE)
endfunction()
