// preview-probe: the saver's preview inside a window of this same process,
// as the display settings hold it: a grey dialog and, in it, a static
// control (whose class draws on its parent's DC) as the preview window.
// Under Wine only a window of the same process reaches the screen, so this
// is where the preview's pixels can be seen. It prints where the dialog and
// the preview window lie on the screen, keeps them STAY_MS, then ends.
//
//   preview-probe STAY_MS
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "windows/form_host.h"
#include "windows/message_wait.h"
#include "windows/win32_platform.h"

namespace {

struct Preview {
    HWND parent;
};

DWORD WINAPI RunPreview(void* argument)
{
    auto preview = static_cast<Preview*>(argument);
    windows::Win32Platform platform;
    windows::FormHost host(GetModuleHandleA(nullptr), platform);
    host.CreateApplicationWindow("vidider");
    platform.HideApplicationWindow();
    host.RunPreview(windows::FromHwnd(preview->parent));
    return 0;
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    const DWORD stay = argc > 1 ? DWORD(std::strtoul(argv[1], nullptr, 10)) : 3000;
    WNDCLASSA c{};
    c.lpfnWndProc = DialogProc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    c.lpszClassName = "probe dialog";
    RegisterClassA(&c);
    HWND dialog = CreateWindowExA(0, c.lpszClassName, "", WS_POPUP | WS_VISIBLE, 300, 200, 400, 300, nullptr,
                                  nullptr, c.hInstance, nullptr);
    HWND preview = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 120, 90, 152, 112, dialog,
                                   nullptr, c.hInstance, nullptr);
    RECT d, p;
    GetWindowRect(dialog, &d);
    GetWindowRect(preview, &p);
    std::printf("dialog left=%ld top=%ld right=%ld bottom=%ld\n", d.left, d.top, d.right, d.bottom);
    std::printf("preview left=%ld top=%ld right=%ld bottom=%ld\n", p.left, p.top, p.right, p.bottom);
    std::fflush(stdout);
    Preview argument{preview};
    HANDLE thread = CreateThread(nullptr, 0, RunPreview, &argument, 0, nullptr);
    for (DWORD start = GetTickCount(); GetTickCount() - start < stay;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, windows::kWakeMask);
    }
    DestroyWindow(dialog);
    WaitForSingleObject(thread, 5000);
    std::printf("ended\n");
    return 0;
}
