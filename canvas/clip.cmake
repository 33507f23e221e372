# The clipboard, the rulers and the canvas and layer dialogs of darna_canvas.
target_sources(darna_canvas PRIVATE
  clip_dib.cpp
  ruler_scale.cpp
  canv_dlg_calc.cpp
  canv_clip.cpp
  canv_ruler.cpp
  canv_dialogs.cpp
  canv_spare_dialogs.cpp
)
