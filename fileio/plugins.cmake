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
)
target_link_libraries(darna_fileio PUBLIC darna_image darna_ui comdlg32)
