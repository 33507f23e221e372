# darna_fileio: the host of the reader and writer plug-ins (registry, reading,
# writing). The plug-in DLLs themselves are in plugins/.
add_library(darna_fileio STATIC
  ${CMAKE_CURRENT_LIST_DIR}/plugin_registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plugin_read.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plugin_write.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exif_tags.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exif_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exif_rewrite.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exif_blob.cpp
  ${CMAKE_CURRENT_LIST_DIR}/canvas_write.cpp
  ${CMAKE_CURRENT_LIST_DIR}/save_warning.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exif_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plain_dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/thumb_cache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/twain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/print.cpp
  ${CMAKE_CURRENT_LIST_DIR}/print_setup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/parts_box.cpp
)
target_link_libraries(darna_fileio PUBLIC darna_image darna_ui comdlg32 winspool)

# The sticker paper list of the print dialog, staged in the program folder in
# the program's code page.
add_custom_command(OUTPUT ${DARNA_DIST}/sprint.par
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DARNA_DIST}
  COMMAND sh -c "iconv -f UTF-8 -t CP932 '${CMAKE_SOURCE_DIR}/resources/data/sprint.par' > '${DARNA_DIST}/sprint.par'"
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/data/sprint.par VERBATIM)
add_custom_target(darna_sprint_par ALL DEPENDS ${DARNA_DIST}/sprint.par)
darna_dist_target(darna_sprint_par)
