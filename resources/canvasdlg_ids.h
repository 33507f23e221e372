// Ids of the canvas dialogs' controls that the code names (canvasdlg.rc).
// Plain #defines only: windres reads this file too.
#pragma once

#define IDC_CANVDLG_FIRST_RADIO  100
