#pragma once
// The File menu's commands. Each returns what the frame's WM_COMMAND returns: 1 when
// Save, Save As or Export As succeeded, 0 otherwise.

#include <windows.h>

namespace quillix {

LRESULT saveCommand();

} // namespace quillix
