#include "windows/about_box.h"

#include <commctrl.h>

#include <cstring>

#include "app/sssetdlg.h"

namespace windows {
namespace {

constexpr const char* kBoxClass = "vidider about";
constexpr DWORD kBoxStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kBoxExStyle = WS_EX_DLGMODALFRAME;
constexpr int kUrlId = 101;

struct BoxState {
    app::TScrnSaveSetupDlg* dialog = nullptr;
    bool done = false;
};

LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    auto state = reinterpret_cast<BoxState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);  // Enter presses OK
    case WM_COMMAND:
        if (state != nullptr && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            if (LOWORD(wParam) == IDOK) state->dialog->OKBtnClick();
            state->done = true;  // the modal result ends the loop
            return 0;
        }
        break;
    case WM_CLOSE:
        if (state != nullptr) state->done = true;
        return 0;
    case WM_CTLCOLORSTATIC: {
        // Labels and the read-only address: black on the button face.
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The DPI of the monitor at `point`: GetDpiForMonitor where the system has it
// (Windows 8.1 and later, looked up at run time), else the screen's.
int MonitorDpi(POINT point)
{
    int dpi = 0;
    HMODULE user = GetModuleHandleA("USER32.DLL");
    HMODULE shcore = LoadLibraryA("SHCORE.DLL");
    using FromPoint = HMONITOR(WINAPI*)(POINT, DWORD);
    using ForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    auto fromPoint =
        user ? reinterpret_cast<FromPoint>(reinterpret_cast<void*>(GetProcAddress(user, "MonitorFromPoint"))) : nullptr;
    auto forMonitor = shcore ? reinterpret_cast<ForMonitor>(
                                   reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                             : nullptr;
    if (fromPoint != nullptr && forMonitor != nullptr) {
        UINT x = 0, y = 0;
        const int effective = 0;  // MDT_EFFECTIVE_DPI
        if (SUCCEEDED(forMonitor(fromPoint(point, MONITOR_DEFAULTTOPRIMARY), effective, &x, &y))) dpi = int(y);
    }
    if (shcore != nullptr) FreeLibrary(shcore);
    if (dpi <= 0) {
        HDC screen = GetDC(nullptr);
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : 96;
}

HFONT Arial(int pixels, int weight)
{
    return CreateFontA(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
}

HWND Control(HWND box, const char* type, const char* text, DWORD style, const app::ControlPlace& place, int id,
             HFONT font, HINSTANCE instance)
{
    HWND control = CreateWindowExA(0, type, text, WS_CHILD | WS_VISIBLE | style, place.Left, place.Top, place.Width,
                                   place.Height, box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                   nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

}  // namespace

void ShowAboutBox(HINSTANCE instance, Win32Platform& platform)
{
    InitCommonControls();
    app::TScrnSaveSetupDlg dialog(platform);
    // The box opens centred on the screen: the monitor there sets its DPI.
    const int dpi = MonitorDpi({GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2});
    HFONT font = Arial(app::AboutFontHeight(dpi), FW_NORMAL);
    HFONT titleFont = Arial(app::AboutTitleFontHeight(dpi), FW_BOLD);

    // FormCreate: Label5 sizes itself to its text, and the box to Label5.
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    SIZE latest{}, version{};
    TEXTMETRICA metrics{};
    GetTextExtentPoint32A(screen, app::kLatestText, int(std::strlen(app::kLatestText)), &latest);
    GetTextExtentPoint32A(screen, app::kVersionText, int(std::strlen(app::kVersionText)), &version);
    GetTextMetricsA(screen, &metrics);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    RECT frame{0, 0, 100, 100};
    AdjustWindowRectEx(&frame, kBoxStyle, FALSE, kBoxExStyle);
    app::AboutLayout box = app::TScrnSaveSetupDlg::LayOut(latest.cx, version.cx, metrics.tmHeight,
                                                          (frame.right - frame.left) - 100, dpi);

    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = BoxProc;
    c.hInstance = instance;
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    c.lpszClassName = kBoxClass;
    RegisterClassExA(&c);

    // CreateParams: the window in the foreground owns the box, disabled.
    HWND owner = ToHwnd(dialog.CreateParams());
    BoxState state;
    state.dialog = &dialog;
    int x = (GetSystemMetrics(SM_CXSCREEN) - box.OuterWidth) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - box.OuterHeight) / 2;
    HWND window = CreateWindowExA(kBoxExStyle, kBoxClass, app::kAboutCaption, kBoxStyle, x, y, box.OuterWidth,
                                  box.OuterHeight, owner, nullptr, instance, &state);
    if (window != nullptr) {
        // OK first: it is first in the tab order, the address second.
        HWND ok = Control(window, "BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, box.OKBtn, IDOK, font, instance);
        Control(window, "EDIT", app::kAddressText, WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, box.Edit_URL, kUrlId,
                font, instance);
        Control(window, "STATIC", app::kTitleText, SS_CENTER, box.Label_Title, -1, titleFont, instance);
        Control(window, "STATIC", app::kVersionText, SS_LEFT, box.Label_Version, -1, font, instance);
        Control(window, "STATIC", app::kCopyrightText, SS_CENTER, box.Label_Copyright, -1, font, instance);
        Control(window, "STATIC", app::kLatestText, SS_CENTER, box.Label5, -1, font, instance);
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        SetFocus(ok);

        MSG message;
        while (!state.done && GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (!IsDialogMessageA(window, &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
    }
    // FormDestroy gives the owner back its input before the box goes.
    dialog.FormDestroy();
    if (window != nullptr) DestroyWindow(window);
    DeleteObject(font);
    DeleteObject(titleFont);
}

}  // namespace windows
