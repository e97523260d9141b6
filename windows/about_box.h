// The About box as a real modal window: caption "About", Arial 12 px, the
// controls of TScrnSaveSetupDlg at the places its layout gives, OK centred
// and default. The foreground window stays disabled while the box is open.
#pragma once

#include <windows.h>

#include "windows/win32_platform.h"

namespace windows {

// Shows the box and returns when it has been closed (OK, Enter, Esc or the
// close box).
void ShowAboutBox(HINSTANCE instance, Win32Platform& platform);

}  // namespace windows
