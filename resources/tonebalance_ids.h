// Ids of the manual tone-balance dialog (resources/tonebalance.rc).
// Plain #defines only: windres reads this file too.
#pragma once

// dra_histgram
#define IDC_HIST_TITLE          100
#define IDC_HIST_AREA           101
#define IDC_HIST_GAUGE          102
#define IDC_HIST_RESET          103
#define IDC_HIST_CHANNEL        105
// The channel names of the mode menu: RGB, red, green, blue.
#define IDS_TONE_CHANNEL_RGB    26010
#define IDS_TONE_CHANNEL_RED    26011
#define IDS_TONE_CHANNEL_GREEN  26012
#define IDS_TONE_CHANNEL_BLUE   26013
