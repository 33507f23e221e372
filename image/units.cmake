# DIB-section images and the zoom view; global-memory bitmaps and the spline
# curve.
target_sources(darna_image PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/dib_header.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dib_base.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mapped_dib.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zoom_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/global_dib.cpp
  ${CMAKE_CURRENT_LIST_DIR}/spline_curve.cpp
)
