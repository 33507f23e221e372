# The screen pixel rows and the new-canvas dialog with its paper presets.
target_sources(darna_canvas PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/screen_row.cpp
  ${CMAKE_CURRENT_LIST_DIR}/newcanvas_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/newcanvas_request.cpp
)
