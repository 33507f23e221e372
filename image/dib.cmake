# Bitmap records, .bmp files, colour models and the c_Dib image operations.
target_sources(darna_image PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/colour_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pen_colour.cpp
  ${CMAKE_CURRENT_LIST_DIR}/memmap_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bmp_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/packed_dib.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dib_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/c_dib.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resample.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rotate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/filters.cpp
  ${CMAKE_CURRENT_LIST_DIR}/screen_row_core.cpp
)
# c_MemMapFile shows its errors with the program's message box.
target_link_libraries(darna_image PUBLIC darna_ui)
