#include "windows/about_box.h"

#include <commctrl.h>

#include <cstring>
#include <iterator>

#include "windows/compat.h"

namespace windows {
namespace {

constexpr const char* kBoxClass = "vidider about";
constexpr DWORD kBoxStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kBoxExStyle = WS_EX_DLGMODALFRAME;
constexpr int kUrlId = 101;
const char* const kOkText = "OK";

template <class Call>
Call Entry(HMODULE module, const char* name)
{
    return module != nullptr ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// The outer width less the client width of the box at `dpi`: from
// AdjustWindowRectExForDpi where the system has it (Windows 10 1607, looked
// up at run time), else from the system's metrics, which are the DPI of the
// primary screen.
int FrameWidth(int dpi)
{
    RECT frame{0, 0, 100, 100};
    auto forDpi = Entry<AdjustWindowRectExForDpiCall>(GetModuleHandleA("USER32.DLL"), "AdjustWindowRectExForDpi");
    if (forDpi == nullptr || !forDpi(&frame, kBoxStyle, FALSE, kBoxExStyle, UINT(dpi)))
        AdjustWindowRectEx(&frame, kBoxStyle, FALSE, kBoxExStyle);
    return (frame.right - frame.left) - 100;
}

HFONT Arial(int pixels, int weight)
{
    return CreateFontA(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
}

// The box's controls: class, text, id, style, place in the layout, font.
struct ControlKind {
    const char* type;
    const char* const& text;
    int id;
    DWORD style;
    app::ControlPlace app::AboutLayout::*place;
    bool title;
};

// OK first: it is first in the tab order, the address second.
const ControlKind kControls[] = {
    {"BUTTON", kOkText, IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, &app::AboutLayout::OKBtn, false},
    {"EDIT", app::kAddressText, kUrlId, WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, &app::AboutLayout::Edit_URL, false},
    {"STATIC", app::kTitleText, -1, SS_CENTER, &app::AboutLayout::Label_Title, true},
    {"STATIC", app::kVersionText, -1, SS_LEFT, &app::AboutLayout::Label_Version, false},
    {"STATIC", app::kCopyrightText, -1, SS_CENTER, &app::AboutLayout::Label_Copyright, false},
    {"STATIC", app::kLatestText, -1, SS_CENTER, &app::AboutLayout::Label5, false},
};
static_assert(std::size(kControls) == AboutBox::kControlCount);

}  // namespace

AboutBox::AboutBox(HINSTANCE instance, Win32Platform& platform) : instance_(instance), dialog_(platform) {}

AboutBox::~AboutBox()
{
    // FormDestroy gives the owner back its input before the box goes.
    dialog_.FormDestroy();
    if (window_ != nullptr) DestroyWindow(window_);
    if (font_ != nullptr) DeleteObject(font_);
    if (titleFont_ != nullptr) DeleteObject(titleFont_);
}

bool AboutBox::Open()
{
    InitCommonControls();
    // The box opens centred on the screen: the monitor there sets its DPI.
    LayOut(MonitorDpi({GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2}));

    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = Proc;
    c.hInstance = instance_;
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    c.lpszClassName = kBoxClass;
    RegisterClassExA(&c);

    // CreateParams: the window in the foreground owns the box, disabled.
    // A foreground window that is going away (the last box of a saver just
    // closing, say) cannot own it: the box then comes without an owner.
    HWND owner = ToHwnd(dialog_.CreateParams());
    window_ = Create(owner);
    if (window_ == nullptr && owner != nullptr) {
        dialog_.DropOwner();
        window_ = Create(nullptr);
    }
    if (window_ == nullptr) return false;
    LayOut(dpi_);  // the controls, now that the box exists
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(GetDlgItem(window_, IDOK));
    return true;
}

HWND AboutBox::Create(HWND owner)
{
    const int x = (GetSystemMetrics(SM_CXSCREEN) - layout_.OuterWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - layout_.OuterHeight) / 2;
    return CreateWindowExA(kBoxExStyle, kBoxClass, app::kAboutCaption, kBoxStyle, x, y, layout_.OuterWidth,
                           layout_.OuterHeight, owner, nullptr, instance_, this);
}

void AboutBox::LayOut(int dpi)
{
    dpi_ = dpi;
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
    layout_ = app::TScrnSaveSetupDlg::LayOut(latest.cx, version.cx, metrics.tmHeight, FrameWidth(dpi), dpi);

    if (window_ != nullptr) {
        for (std::size_t i = 0; i < kControlCount; ++i) {
            const ControlKind& kind = kControls[i];
            const app::ControlPlace& place = layout_.*kind.place;
            if (controls_[i] == nullptr)
                controls_[i] = CreateWindowExA(0, kind.type, kind.text, WS_CHILD | WS_VISIBLE | kind.style, 0, 0, 0, 0,
                                               window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kind.id)),
                                               instance_, nullptr);
            SetWindowPos(controls_[i], nullptr, place.Left, place.Top, place.Width, place.Height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            SendMessageA(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(kind.title ? titleFont : font), TRUE);
        }
    }
    // The controls hold the new fonts now: the old ones can go.
    if (font_ != nullptr) DeleteObject(font_);
    if (titleFont_ != nullptr) DeleteObject(titleFont_);
    font_ = font;
    titleFont_ = titleFont;
}

void AboutBox::Run()
{
    MSG message;
    while (!done_ && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

LRESULT CALLBACK AboutBox::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    auto box = reinterpret_cast<AboutBox*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);  // Enter presses OK
    case WM_COMMAND:
        if (box != nullptr && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            if (LOWORD(wParam) == IDOK) box->dialog_.OKBtnClick();
            box->done_ = true;  // the modal result ends the loop
            return 0;
        }
        break;
    case WM_CLOSE:
        if (box != nullptr) box->done_ = true;
        return 0;
    case WM_DPICHANGED:
        // Moved to a monitor of another DPI: the system's rectangle for the
        // box there, and every size laid out again for it.
        if (box != nullptr && lParam != 0) {
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            box->LayOut(HIWORD(wParam));
            SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                         suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        break;
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

void ShowAboutBox(HINSTANCE instance, Win32Platform& platform)
{
    AboutBox box(instance, platform);
    if (box.Open()) box.Run();
}

}  // namespace windows
