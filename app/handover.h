// The editor's receiver of hand-overs: the DROPFILES block (ui/dropfiles.h)
// that a second start of the editor or the browser sends with WM_COPYDATA to the
// window of class dvw_; its paths are opened in order.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ui/dropfiles.h"

// Posted by the frame to itself to open the paths handed over.
constexpr UINT kMsgOpenHandedOver = WM_APP + 1;

// The frame's WM_COPYDATA: TRUE when the block was a valid hand-over, whose
// paths are then opened in order once the sender has been answered.
LRESULT ReceiveHandOver(const COPYDATASTRUCT* data);
// Opens the paths queued by ReceiveHandOver (kMsgOpenHandedOver).
void OpenHandedOverPaths();
