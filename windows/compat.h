// What newer Windows have and the headers of the oldest Windows the saver is
// built for (4.0) do not give: the values, and the types of the entries that
// the host looks up at run time and calls only where they exist.
#pragma once

#include <windows.h>

// Windows 2000: a window that a click does not activate.
#ifndef WS_EX_NOACTIVATE
#define WS_EX_NOACTIVATE 0x08000000L
#endif

// Windows 8.1: the DPI of a window's monitor changed. wParam holds the new
// DPI in both words, lParam points to the window rectangle suggested for it.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace windows {

// USER32 of Windows 10 1607: AdjustWindowRectEx at a given DPI.
using AdjustWindowRectExForDpiCall = BOOL(WINAPI*)(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi);
// USER32 of Windows 98 and 2000.
using MonitorFromPointCall = HMONITOR(WINAPI*)(POINT point, DWORD flags);
// SHCORE of Windows 8.1; the DPI type 0 is the effective DPI.
using GetDpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR monitor, int type, UINT* x, UINT* y);
constexpr int kEffectiveDpi = 0;

}  // namespace windows
