#include "windows/form_window.h"

#include <windowsx.h>

#include "saver/input.h"
#include "windows/compat.h"
#include "windows/guarded.h"

namespace windows {
namespace {

constexpr const char* kFormClass = "vidider form";

}  // namespace

FormWindow::FormWindow(HINSTANCE instance, ScreenHost& host, Win32Platform& platform, saver::FormGroup& group,
                       const figure::Surface* title)
    : instance_(instance), host_(host), group_(group), form_(platform, *this, 0, title)
{
}

FormWindow::~FormWindow()
{
    Destroy();
    if (!joined_) return;
    group_.Remove(form_);
    Guarded([&] { form_.FormDestroy(); });
}

bool FormWindow::Create(const saver::Screen& screen, saver::StageMode mode, int monitor)
{
    area_ = screen.Area;
    scale_ = screen.Scale;
    form_.Screen = {screen.Area, screen.Scale, mode};
    group_.Add(form_, monitor);
    joined_ = true;
    saver::CreateParamsRecord params = saver::StandardFormParams();
    form_.CreateParams(params);
    if (!Window::Create(instance_, kFormClass, params.ClassStyle, params.ExStyle, params.Caption.c_str(), params.Style,
                        ToRECT(screen.Area), host_.ApplicationWindow()))
        return false;
    form_.Handle = FromHwnd(Handle());
    Guarded([&] { form_.FormCreate(); });
    return !form_.Closed;
}

void FormWindow::Relayout(const platform::Rect& area, int scale)
{
    area_ = area;
    scale_ = scale;
    if (form_.Closed) return;
    Guarded([&] { form_.DisplayChanged(area, scale); });
    SetWindowPos(Handle(), nullptr, form_.Left, form_.Top, form_.Width, form_.Height, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(Handle(), nullptr, FALSE);
}

void FormWindow::Paint(HDC dc, saver::PaintArea area)
{
    painter_.Paint(dc, saver::DescribeFrame(form_.View, form_.Figure, area));
}

void FormWindow::RepaintImage(bool)
{
    // Painted at once in both cases: the frame is ready and the loop sleeps next.
    if (Handle() == nullptr || !form_.Figure.Panel1.Visible || !IsWindowVisible(Handle())) return;
    HDC dc = GetDC(Handle());
    Paint(dc, saver::PaintArea::Stage);
    ReleaseDC(Handle(), dc);
}

void FormWindow::HideForm()
{
    if (Handle() != nullptr) ShowWindow(Handle(), SW_HIDE);
}

void FormWindow::DisableIme()
{
    // IMM32 is not on every system the saver runs on: looked up at run time.
    HMODULE imm = LoadLibraryA("IMM32.DLL");
    if (imm == nullptr) return;
    using Associate = HANDLE(WINAPI*)(HWND, HANDLE);
    if (auto associate = reinterpret_cast<Associate>(reinterpret_cast<void*>(GetProcAddress(imm, "ImmAssociateContext"))))
        associate(Handle(), nullptr);
    FreeLibrary(imm);
}

void FormWindow::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    Paint(dc, saver::PaintArea::Window);
    EndPaint(Handle(), &paint);
}

void FormWindow::OnPointer(UINT message, LPARAM lParam)
{
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_MOUSEMOVE:
        if (host_.PointerMoved(Handle(), lParam)) Guarded([&] { saver::PointerMoved(form_, x, y); });
        break;
    // Only the moire ends the saver; the border outside the stage does not.
    case WM_LBUTTONDBLCLK: Guarded([&] { saver::PointerDoubleClicked(form_, x, y); }); break;
    case WM_LBUTTONDOWN: Guarded([&] { saver::PointerPressed(form_, figure::MouseButton::Left, x, y); }); break;
    case WM_RBUTTONDOWN: Guarded([&] { saver::PointerPressed(form_, figure::MouseButton::Right, x, y); }); break;
    default: Guarded([&] { saver::PointerPressed(form_, figure::MouseButton::Middle, x, y); }); break;
    }
}

LRESULT FormWindow::OnSetCursor(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(lParam) != HTCLIENT) return Default(WM_SETCURSOR, wParam, lParam);
    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(Handle(), &cursor);
    SetCursor(LoadCursorA(nullptr, saver::ImagePointAt(form_, cursor.x, cursor.y) ? IDC_CROSS : IDC_ARROW));
    return TRUE;
}

LRESULT FormWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) Guarded([&] { form_.FormActivate(); });
        break;
    case WM_ERASEBKGND: return 1;  // the paint covers all of it
    case WM_PAINT: OnPaint(); return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: OnPointer(message, lParam); return 0;
    case WM_SETCURSOR: return OnSetCursor(wParam, lParam);
    case WM_SYSCOMMAND: {
        std::intptr_t result = 0;
        if (form_.WMSysCommand(static_cast<std::uint32_t>(wParam), result)) return result;
        break;
    }
    case WM_CLOSE: Guarded([&] { form_.Close(); }); return 0;
    // A new resolution, monitors that came or went, another DPI: the host
    // lays every window out again once the messages are done.
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED: host_.DisplayChanged(); return 0;
    default: break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace windows
