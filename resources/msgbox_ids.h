// Control ids of the message-box and name-entry templates (resources/msgbox.rc).
// Plain #defines only: windres reads this file too.
#pragma once

#define IDC_MSGBOX_LIST   100   // list box holding the text, one line per entry
#define IDC_INPSTR_EDIT   100   // edit control of dra_inpstr
