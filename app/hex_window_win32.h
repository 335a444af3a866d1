#pragma once
// The HexClientClass window: the hex view's window procedure.

#include <windows.h>

namespace quillix {

LRESULT CALLBACK hexViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quillix
