// The system's printer set-up dialog (PrintDlgA with PD_PRINTSETUP), shared by
// the editor's print dialog and the browser's. With the modal answer hook set
// (ui/ui_hook.h) the hook answers it, as it answers the open and save
// dialogs, under the name "PrintSetup".
#pragma once
#include <windows.h>
#include <commdlg.h>

// Runs PrintDlgA over `pd` as a set-up dialog (PD_PRINTSETUP is added). Its result.
BOOL RunPrintSetupDialog(PRINTDLGA* pd);
