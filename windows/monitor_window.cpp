#include "windows/monitor_window.h"

#include <windowsx.h>

#include <algorithm>

#include "windows/compat.h"
#include "windows/guarded.h"
#include "windows/resources.h"
#include "saver/dib.h"

namespace windows {
namespace {

constexpr const char* kFormClass = "vidider form";
constexpr const char* kPreviewClass = "vidider preview";
constexpr const char* kCoverClass = "vidider cover";

void RegisterClassOnce(HINSTANCE instance, const char* name, UINT style, WNDPROC proc)
{
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, name, &existing)) return;
    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    c.style = style;
    c.lpfnWndProc = proc;
    c.hInstance = instance;
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    c.lpszClassName = name;
    c.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(100));
    RegisterClassExA(&c);
}

// The extended style of a cover. WS_EX_NOACTIVATE came with Windows 2000;
// 98 and ME, which can have several monitors, do not know it, and get by
// with the answer to WM_MOUSEACTIVATE alone.
DWORD CoverExStyle()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    const bool known =
        GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5;
    return WS_EX_TOPMOST | WS_EX_TOOLWINDOW | (known ? WS_EX_NOACTIVATE : 0);
}

// A top-down one-bit DIB header for `width` x `rows`, 0 black and 1 white.
struct OneBitInfo {
    BITMAPINFOHEADER header{};
    RGBQUAD colours[2]{{0, 0, 0, 0}, {255, 255, 255, 0}};

    OneBitInfo(int width, int rows)
    {
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = -rows;
        header.biPlanes = 1;
        header.biBitCount = 1;
        header.biCompression = BI_RGB;
    }
};

}  // namespace

MonitorWindow::MonitorWindow(HINSTANCE instance, MonitorHost& host, Win32Platform* platform)
    : instance_(instance),
      host_(host),
      ownPlatform_(platform == nullptr ? std::make_unique<Win32Platform>() : nullptr),
      platform_(platform != nullptr ? *platform : *ownPlatform_)
{
    platform_.Attach(this);
}

MonitorWindow::~MonitorWindow()
{
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
    if (form_) {
        if (group_ != nullptr) group_->Remove(*form_);
        Guarded([&] { form_->FormDestroy(); });
        form_.reset();
    }
    platform_.Attach(nullptr);
}

bool MonitorWindow::CreateForm(const platform::Rect& area, int scale, saver::StageMode mode, saver::FormGroup* group,
                               int monitor, const figure::Surface* title)
{
    return MakeForm(0, area, scale, mode, group, monitor, title);
}

bool MonitorWindow::CreatePreview(WindowHandle parent) { return MakeForm(parent, {}, 1, saver::StageMode::Classic, nullptr, 0, nullptr); }

bool MonitorWindow::MakeForm(WindowHandle parent, const platform::Rect& area, int scale, saver::StageMode mode,
                             saver::FormGroup* group, int monitor, const figure::Surface* title)
{
    form_ = std::make_unique<saver::TForm1>(platform_, parent, title);
    form_->Screen = {area, scale, mode};
    area_ = area;
    scale_ = scale;
    if (group != nullptr) {
        group_ = group;
        group->Add(*form_, monitor);
    }
    saver::CreateParamsRecord params = saver::StandardFormParams();
    params.WndParent = FromHwnd(host_.ApplicationWindow());
    form_->CreateParams(params);
    if (parent != 0) {
        RECT client;
        if (!GetClientRect(ToHwnd(parent), &client)) return false;
        params.Width = client.right - client.left;
        params.Height = client.bottom - client.top;
    }
    // The class style belongs to the class: one class for each style asked for.
    const char* className = params.ClassStyle == saver::style::kParentDc ? kPreviewClass : kFormClass;
    RegisterClassOnce(instance_, className, params.ClassStyle, Proc);
    window_ = CreateWindowExA(params.ExStyle, className, params.Caption.c_str(), params.Style, params.X, params.Y,
                              params.Width, params.Height, ToHwnd(params.WndParent), nullptr, instance_, this);
    if (window_ == nullptr) return false;
    form_->Handle = FromHwnd(window_);
    Guarded([&] { form_->FormCreate(); });
    if (form_->Closed) return false;
    PlaceWindow();
    return true;
}

bool MonitorWindow::CreateCover(const platform::Rect& area)
{
    area_ = area;
    RegisterClassOnce(instance_, kCoverClass, 0, Proc);
    window_ = CreateWindowExA(CoverExStyle(), kCoverClass, "", WS_POPUP, area.Left, area.Top, area.Right - area.Left,
                              area.Bottom - area.Top, host_.ApplicationWindow(), nullptr, instance_, this);
    if (window_ == nullptr) return false;
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    return true;
}

void MonitorWindow::ShowTopmost()
{
    if (window_ == nullptr) return;
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | (form_ ? SWP_SHOWWINDOW : SWP_SHOWWINDOW | SWP_NOACTIVATE));
    // Black at once, before the loop gets to the paint: no desktop shows
    // through while the figure is built.
    UpdateWindow(window_);
}

void MonitorWindow::PlaceWindow()
{
    if (!form_ || form_->ParentWindow != 0) return;
    const saver::TForm1& f = *form_;
    SetWindowPos(window_, nullptr, f.Left, f.Top, f.Width, f.Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MonitorWindow::Relayout(const platform::Rect& area, int scale)
{
    area_ = area;
    scale_ = scale;
    if (!form_) {
        SetWindowPos(window_, nullptr, area.Left, area.Top, area.Right - area.Left, area.Bottom - area.Top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    saver::TForm1& f = *form_;
    if (f.ParentWindow != 0 || f.Closed) return;
    Guarded([&] { f.DisplayChanged(area, scale); });
    PlaceWindow();
    InvalidateRect(window_, nullptr, FALSE);
}

bool MonitorWindow::OnImage(int x, int y, ImagePoint& at) const
{
    const saver::TForm1& f = *form_;
    const std::optional<saver::FigurePoint> p = f.View.ToStage(x, y);
    const figure::TImage& image = f.Figure.Image1;
    if (!p || !f.Figure.Panel1.Visible || !image.Contains(p->X, p->Y)) return false;
    at = {p->X - image.Left, p->Y - image.Top};
    return true;
}

void MonitorWindow::Paint(HDC dc, bool border)
{
    const saver::TForm1& f = *form_;
    const saver::StageView& view = f.View;
    const platform::Rect shown = view.Shown();
    const figure::FigureState& figure = f.Figure;
    const figure::Surface* picture = figure.Image1.Picture;
    const int scale = view.Scale(), left = figure.Image1.Left, top = figure.Image1.Top;

    // The stage's columns and rows that the picture covers, as window pixels.
    RECT painted{0, 0, 0, 0};
    if (picture != nullptr && !shown.Empty()) {
        const saver::ShownSpan columns = view.Columns(), rows = view.Rows();
        const int c0 = std::max(columns.First, left), c1 = std::min(columns.First + columns.Count, left + picture->Width());
        const int r0 = std::max(rows.First, top), r1 = std::min(rows.First + rows.Count, top + picture->Height());
        if (c0 < c1 && r0 < r1)
            painted = {std::max(shown.Left, view.OffsetX() + c0 * scale), std::max(shown.Top, view.OffsetY() + r0 * scale),
                       std::min(shown.Right, view.OffsetX() + c1 * scale),
                       std::min(shown.Bottom, view.OffsetY() + r1 * scale)};
    }
    const bool covered = painted.left < painted.right && painted.top < painted.bottom;
    // Black around it: the whole window for a full paint, else the stage's rest.
    RECT black = border ? RECT{0, 0, f.Width, f.Height} : RECT{shown.Left, shown.Top, shown.Right, shown.Bottom};
    if (!covered || !EqualRect(&black, &painted)) {
        const int saved = SaveDC(dc);
        if (covered) ExcludeClipRect(dc, painted.left, painted.top, painted.right, painted.bottom);
        FillRect(dc, &black, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        RestoreDC(dc, saved);
    }
    if (!covered) return;

    const int width = painted.right - painted.left, height = painted.bottom - painted.top;
    const int column = view.StageColumn(painted.left), row = view.StageRow(painted.top);
    if (scale == 1) {
        // The picture's rows as they lie: a top-down DIB over those rows.
        OneBitInfo info(picture->Width(), height);
        SetDIBitsToDevice(dc, painted.left, painted.top, DWORD(width), DWORD(height), DWORD(column - left), 0, 0,
                          UINT(height), picture->Row(row - top), reinterpret_cast<const BITMAPINFO*>(&info),
                          DIB_RGB_COLORS);
        return;
    }
    // Every figure pixel an s x s block: the rows enlarged once each, then
    // repeated; the first column starts `phase` pixels into its block.
    const int phase = painted.left - (view.OffsetX() + column * scale);
    const int columns = view.StageColumn(painted.right - 1) - column + 1;
    const int bits = columns * scale, stride = figure::Surface::StrideFor(bits);
    enlarged_.resize(std::size_t(stride) * std::size_t(height) + 8);
    if (enlarger_.Scale() != scale) enlarger_ = saver::RowEnlarger(scale);
    int last = -1;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = enlarged_.data() + std::size_t(stride) * std::size_t(y);
        const int stageRow = view.StageRow(painted.top + y);
        if (stageRow == last)
            std::copy_n(out - stride, stride, out);
        else
            enlarger_.Enlarge(out, picture->Row(stageRow - top), column - left, columns);
        last = stageRow;
    }
    OneBitInfo info(bits, height);
    SetDIBitsToDevice(dc, painted.left, painted.top, DWORD(width), DWORD(height), DWORD(phase), 0, 0, UINT(height),
                      enlarged_.data(), reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS);
}

void MonitorWindow::RepaintImage(bool)
{
    // Painted at once in both cases: the frame is ready and the loop sleeps next.
    if (window_ == nullptr || !form_ || !form_->Figure.Panel1.Visible || !IsWindowVisible(window_)) return;
    HDC dc = GetDC(window_);
    Paint(dc, false);
    ReleaseDC(window_, dc);
}

void MonitorWindow::DrawSamplePicture(int x, int y)
{
    auto picture = FindDib(instance_, "SAMPLE");
    auto info = picture ? saver::ReadDibInfo(picture->data, picture->size) : std::nullopt;
    if (!info || window_ == nullptr) return;
    HDC dc = paintDc_ != nullptr ? paintDc_ : GetDC(window_);
    // The preview's class draws on its parent's DC (CS_PARENTDC), clipped as
    // the parent is: a still larger than the window would reach past it.
    const int saved = SaveDC(dc);
    RECT client;
    GetClientRect(window_, &client);
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    SetDIBitsToDevice(dc, x, y, DWORD(info->Width), DWORD(info->Height), 0, 0, 0, UINT(info->Height),
                      picture->data + info->BitsOffset, reinterpret_cast<const BITMAPINFO*>(picture->data),
                      DIB_RGB_COLORS);
    RestoreDC(dc, saved);
    if (paintDc_ == nullptr) ReleaseDC(window_, dc);
}

void MonitorWindow::HideForm()
{
    if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
}

// The window of a monitor, kept with the window from its creation.
LRESULT CALLBACK MonitorWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    auto monitor = reinterpret_cast<MonitorWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (monitor == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    return monitor->Form() != nullptr ? monitor->OnMessage(window, message, wParam, lParam)
                                      : monitor->OnCoverMessage(window, message, wParam, lParam);
}

// A cover is black and does nothing; a click does not even activate it.
// A press gives the keyboard back to the saver window, should another
// window have taken it: the press makes this process the one the user
// works with, so the system lets it take the foreground. Keys that reach a
// cover all the same go to the saver with the rest (the host's key routing).
LRESULT MonitorWindow::OnCoverMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: host_.TakeKeyboard(); return 0;
    case WM_DISPLAYCHANGE: host_.DisplayChanged(); break;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT MonitorWindow::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    saver::TForm1& f = *form_;
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    ImagePoint at{};
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) Guarded([&] { f.FormActivate(); });
        break;
    case WM_ERASEBKGND:
        if (f.ParentWindow == 0) return 1;  // the paint covers all of it
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        paintDc_ = BeginPaint(window, &paint);
        if (f.ParentWindow == 0)
            Paint(paintDc_, true);
        else
            Guarded([&] { f.FormPaint(); });
        paintDc_ = nullptr;
        EndPaint(window, &paint);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (!host_.PointerMoved(window, lParam)) return 0;
        if (OnImage(x, y, at))
            Guarded([&] { f.Image1MouseMove(at.X, at.Y); });
        else
            Guarded([&] { f.FormMouseMove(x, y); });
        return 0;
    case WM_LBUTTONDBLCLK:
        // Only the moire ends the saver; the border outside the stage does not.
        if (OnImage(x, y, at)) Guarded([&] { f.Image1DblClick(); });
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (OnImage(x, y, at)) {
            auto button = message == WM_LBUTTONDOWN   ? figure::MouseButton::Left
                          : message == WM_RBUTTONDOWN ? figure::MouseButton::Right
                                                      : figure::MouseButton::Middle;
            Guarded([&] { f.Image1MouseDown(button, at.X, at.Y); });
        }
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && f.ParentWindow == 0) {
            POINT cursor;
            GetCursorPos(&cursor);
            ScreenToClient(window, &cursor);
            SetCursor(LoadCursorA(nullptr, OnImage(cursor.x, cursor.y, at) ? IDC_CROSS : IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_SYSCOMMAND: {
        std::intptr_t result = 0;
        if (f.WMSysCommand(static_cast<std::uint32_t>(wParam), result)) return result;
        break;
    }
    case WM_CLOSE:
        Guarded([&] { f.Close(); });
        return 0;
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED:
        // A new resolution, monitors that came or went, another DPI: the
        // host lays every window out again once the messages are done.
        if (f.ParentWindow == 0) {
            host_.DisplayChanged();
            return 0;
        }
        break;
    case WM_DESTROY:
    case WM_NCDESTROY:
        // With a preview parent that is destroyed or whose process dies, one
        // or both of these are all that comes.
        if (f.ParentWindow != 0) host_.WindowGone();
        if (message == WM_NCDESTROY) window_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace windows
