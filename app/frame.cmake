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
# The bars', status bar's and title window's pictures.
list(APPEND darna_edit_bitmaps
  tb_new tb_open tb_twain tb_save tb_catalog tb_print tb_undo tb_redo tb_copy tb_paste tb_ppaste
  tb_zmp tb_zmm tb_hover tb_hover_mask tb2_select tb2_hand tb2_cl tb2_effect tb2_mix tb2_ooi
  tb2_yaki tb2_ondo tb2_trim tb2_rtt tb2_auto tb2_brc tb2_pen tb2_stamp tb2_eraser tb2_spoit
  tb2_text tb2_box tb2_circle tb2_cgr tb2_wire tb2_gline tb2_gbox tb2_gcrcl tb2_gpoly tb2_gboxf
  tb2_gcrclf tb2_gpolyf tb2_push tb2_push_ tb_tab1 tb_tab2 tb_up tb_dw tb_pen flt_pen flt_pen__
  percent title)
# The adjustment panels' level buttons and the colour temperature's pen button.
list(APPEND darna_edit_bitmaps num_up num_down tb2_pen__)
# The new-canvas dialog's paper and quick-choice buttons.
list(APPEND darna_edit_bitmaps paper_h paper_v new_0 new_1 new_2 new_3)
# The pen pictures: brush editor tip buttons, pen panel tabs, line-end shapes.
foreach(k 1 2 3 4 5 6 7)
  list(APPEND darna_edit_bitmaps p_pen${k}_ p_pen${k}__ p_pen${k}___)
endforeach()
list(APPEND darna_edit_bitmaps pal0_tab1 pal0_tab2 pal1_tab1 pal1_tab2 pal2_tab1 pal2_tab2 p_c p_b)
# The ticked and plain boxes of check items (paint.rc).
list(APPEND darna_edit_bitmaps check check_)
set(darna_edit_icons adarico canvasico)
set(darna_edit_cursors def paldrag2 posmove move posmove2)
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
  ${CMAKE_CURRENT_LIST_DIR}/canvas_request.cpp
  ${CMAKE_CURRENT_LIST_DIR}/canvas_facts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pen_env.cpp
  ${CMAKE_CURRENT_LIST_DIR}/paint_frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/screen_tint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/instruments.cpp
  ${CMAKE_CURRENT_LIST_DIR}/toolbar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/statusbar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/framedlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ctrlpanel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/colourdraw.cpp
  ${CMAKE_CURRENT_LIST_DIR}/colourpanel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/colourdlg.cpp
)
target_link_libraries(darna_app PUBLIC darna_adjust darna_paint darna_canvas darna_fileio darna_select darna_image darna_ui comctl32 shell32 user32 gdi32)

add_executable(darnaedit WIN32 ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(darnaedit PRIVATE darna_app darna_edit_res)
if(TARGET darna_filter_plugins)
  add_dependencies(darnaedit darna_filter_plugins)
endif()
darna_stage(darnaedit "")
