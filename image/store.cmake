# The image store: VmsImage and c_VmsStore, tiled images and their history, the
# page pool and the swap file.
target_sources(darna_image PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/vms_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tile_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tile_history.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_pool.cpp
  ${CMAKE_CURRENT_LIST_DIR}/swap_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/product_table.cpp)
target_link_libraries(darna_image PUBLIC winmm gdi32)

if(DARNA_BENCH)
  darna_add_bench(bench_store SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench/bench_store.cpp LIBS darna_image)
endif()
