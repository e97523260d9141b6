// The entry of vidider.scr: reads the desktop's request from the command line
// and runs the mode it names to its end.
//
//   /s (or any other letter)  the saver, full screen
//   /c, /c:N or nothing       the About box
//   /p HWND                   the still inside the preview window HWND
//   /a HWND                   the system's screen-saver password change
#include <windows.h>

#include "app/command_line.h"
#include "app/fpu.h"
#include "windows/about_box.h"
#include "windows/form_host.h"
#include "windows/win32_platform.h"

// The saver runs on this one thread and starts no other. The GCC runtime it
// links takes its locks (the unwinder's, the emulated thread-local storage's)
// through CreateSemaphoreW, a stub that fails on Windows 95, 98 and ME: a
// lock that no other thread holds never touches its semaphore, so the stub
// does no harm while there is only one thread.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    using windows::FormHost;
    app::UseExtendedPrecision();
    windows::DeclareDpiAware();
    const std::vector<std::string> arguments = app::SplitArguments(GetCommandLineA());
    windows::Win32Platform platform;
    try {
        FormHost host(instance, platform);
        switch (app::ChooseMode(arguments)) {
        case app::RunMode::Password:
            host.CreateApplicationWindow("vidider");
            platform.HideApplicationWindow();
            platform.PwdChangePassword(app::ReadParentWindow(arguments));
            return 0;
        case app::RunMode::Configure:
            host.CreateApplicationWindow("vidider");
            platform.HideApplicationWindow();
            windows::ShowAboutBox(instance, platform);
            return 0;
        case app::RunMode::Preview:
            host.CreateApplicationWindow("vidider");
            platform.HideApplicationWindow();
            return host.RunPreview(app::ReadParentWindow(arguments));
        case app::RunMode::Saver:
            host.CreateApplicationWindow("screen saver");
            return host.RunSaver();
        }
    } catch (...) {
        // What fails this far (out of memory before a form exists, say)
        // ends the saver with 1 and no message. A form whose surfaces cannot
        // be made is not such a case: it stays black until a key ends it.
    }
    return 1;
}
