# darna_ui: the shared UI library of both programs: message boxes and string
# loaders, dialog fields and window placement, drawing and text, mouse polling,
# system/string/path/file functions and the polygon span filler. No project deps.
add_library(darna_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ui_hook.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msgbox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dlgfield.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drawutil.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mousepoll.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sysutil.cpp
  ${CMAKE_CURRENT_LIST_DIR}/polyfill.cpp
)
target_link_libraries(darna_ui PUBLIC user32 gdi32 advapi32 shell32)
