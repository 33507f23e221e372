# darna_app: the editor's start-up, frame, window classes and settings files;
# darnaedit: the editor program with its resources.

get_filename_component(DARNA_RES_SRC ${CMAKE_CURRENT_LIST_DIR}/../resources ABSOLUTE)
set(DARNA_RES_OUT ${CMAKE_CURRENT_BINARY_DIR}/res)

# Bitmaps, icons and cursors are drawn as XPM text files and converted at build time
# (darna_pictures).
set(darna_edit_bitmaps
  tb_new____ tb_open____ tb_catalog____ tb_paste____ tb_copy____ tb_zmm____ tb_zmp____
  tb_ppaste____ tb_redo____ tb_undo____ tb_save____ tb_print____ tb4_add____ tb4_del____
  dlgbg tbb tbb2 tbb3 stat_bar pbase)
set(darna_edit_icons adarico canvasico)
set(darna_edit_cursors def paldrag2)
darna_pictures(darna_edit_res_files ${DARNA_RES_OUT}
  BITMAPS ${darna_edit_bitmaps} ICONS ${darna_edit_icons} CURSORS ${darna_edit_cursors})
add_custom_target(darna_edit_res_files DEPENDS ${darna_edit_res_files})

# The editor's resources as an object library: linked into darnaedit and into the
# tests that run the frame in-process.
add_library(darna_edit_res OBJECT ${DARNA_RES_SRC}/darnaedit.rc)
target_include_directories(darna_edit_res PRIVATE ${DARNA_RES_OUT} ${DARNA_RES_SRC})
add_dependencies(darna_edit_res darna_edit_res_files)
file(GLOB darna_edit_rc_includes ${DARNA_RES_SRC}/*.rc ${DARNA_RES_SRC}/*.h)
set_source_files_properties(${DARNA_RES_SRC}/darnaedit.rc PROPERTIES
  OBJECT_DEPENDS "${darna_edit_res_files};${darna_edit_rc_includes}")

add_library(darna_app STATIC
  ${CMAKE_CURRENT_LIST_DIR}/globals.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wndclass.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/startup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handover.cpp
  ${CMAKE_CURRENT_LIST_DIR}/services_pending.cpp
)
target_link_libraries(darna_app PUBLIC darna_fileio darna_select darna_image darna_ui comctl32 shell32 user32 gdi32)

add_executable(darnaedit WIN32 ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(darnaedit PRIVATE darna_app darna_edit_res)
darna_stage(darnaedit "")
