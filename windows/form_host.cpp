#include "windows/form_host.h"

#include <windowsx.h>

#include <algorithm>

#include "app/fpu.h"
#include "windows/compat.h"
#include "windows/message_wait.h"
#include "windows/resources.h"
#include "saver/dib.h"

namespace windows {
namespace {

constexpr const char* kApplicationClass = "vidider application";
// The last milliseconds before a due tick go in short sleeps: a wait for
// messages under Wine wakes up to 6 ms late. The stretch costs the same
// whatever its length: one sleep to the last millisecond, a few after.
constexpr std::uint32_t kLastStretchMs = 6;
// Waits end this often at the latest (a wait of 0xFFFFFFFF ms is endless).
constexpr std::uint32_t kLongestWaitMs = 0x7FFFFFFF;
constexpr const char* kStageClass = "vidider stage";
constexpr const char* kCoverClass = "vidider cover";

// A handler's error ends the handler, not the saver: the framework drops it,
// as the saver shows no message of its own.
template <class Handler>
void Guarded(Handler handler)
{
    try {
        handler();
    } catch (...) {
    }
}

FormHost* HostOf(HWND window) { return reinterpret_cast<FormHost*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

void RegisterClassOnce(HINSTANCE instance, const char* name, UINT style, WNDPROC proc, HBRUSH background,
                       HCURSOR cursor)
{
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, name, &existing)) return;
    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    c.style = style;
    c.lpfnWndProc = proc;
    c.hInstance = instance;
    c.hCursor = cursor;
    c.hbrBackground = background;
    c.lpszClassName = name;
    c.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(100));
    RegisterClassExA(&c);
}

LRESULT CALLBACK ApplicationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
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

FormHost::FormHost(HINSTANCE instance, Win32Platform& platform) : instance_(instance), platform_(platform)
{
    if (auto picture = FindDib(instance_, "TITLE")) {
        if (auto title = saver::DecodeOneBitDib(picture->data, picture->size)) title_ = std::move(*title);
    }
}

FormHost::~FormHost()
{
    DestroyForm();
    if (application_ != nullptr) DestroyWindow(application_);
}

void FormHost::CreateApplicationWindow(const char* title)
{
    RegisterClassOnce(instance_, kApplicationClass, 0, ApplicationProc, nullptr, LoadCursorA(nullptr, IDC_ARROW));
    application_ = CreateWindowExA(0, kApplicationClass, title, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                   0, 0, 0, 0, nullptr, nullptr, instance_, nullptr);
}

bool FormHost::CreateForm(WindowHandle parent)
{
    form1_ = std::make_unique<saver::TForm1>(platform_, parent, title_.Width() > 0 ? &title_ : nullptr);
    saver::CreateParamsRecord params = saver::StandardFormParams();
    params.WndParent = FromHwnd(application_);
    form1_->CreateParams(params);
    if (parent != 0) {
        RECT area;
        if (!GetClientRect(ToHwnd(parent), &area)) return false;
        params.Width = area.right - area.left;
        params.Height = area.bottom - area.top;
    }
    // The class style belongs to the class: one class for each style asked for.
    const char* className = params.ClassStyle == saver::style::kParentDc ? "vidider preview" : "vidider form";
    RegisterClassOnce(instance_, className, params.ClassStyle, FormProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
                      LoadCursorA(nullptr, IDC_ARROW));
    // The stage keeps its own DC: every frame paints it.
    RegisterClassOnce(instance_, kStageClass, CS_DBLCLKS | CS_OWNDC, StageProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
                      nullptr);
    form_ = CreateWindowExA(params.ExStyle, className, params.Caption.c_str(), params.Style, params.X, params.Y,
                            params.Width, params.Height, ToHwnd(params.WndParent), nullptr, instance_, this);
    if (form_ == nullptr) return false;
    stage_ = CreateWindowExA(0, kStageClass, "", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 1024, 768, form_, nullptr,
                             instance_, this);
    POINT cursor;
    if (GetCursorPos(&cursor)) pointer_.Start(cursor.x, cursor.y);
    form1_->Handle = FromHwnd(form_);
    Guarded([&] { form1_->FormCreate(); });
    if (form1_->Closed) return false;
    PlaceWindows();
    return true;
}

void FormHost::PlaceWindows()
{
    const saver::TForm1& f = *form1_;
    SetWindowPos(form_, nullptr, f.Left, f.Top, f.Width, f.Height, SWP_NOZORDER | SWP_NOACTIVATE);
    const figure::TPanel& panel = f.Figure.Panel1;
    SetWindowPos(stage_, nullptr, panel.Left, panel.Top, panel.Width, panel.Height,
                 SWP_NOZORDER | SWP_NOACTIVATE | (panel.Visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void FormHost::CreateCovers()
{
    RegisterClassOnce(instance_, kCoverClass, 0, CoverProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
                      LoadCursorA(nullptr, IDC_ARROW));
    const DWORD exStyle = CoverExStyle();
    for (const platform::Rect& area : form1_->Covers) {
        HWND cover = CreateWindowExA(exStyle, kCoverClass, "", WS_POPUP, area.Left, area.Top, area.Right - area.Left,
                                     area.Bottom - area.Top, application_, nullptr, instance_, this);
        if (cover == nullptr) continue;
        ShowWindow(cover, SW_SHOWNOACTIVATE);
        covers_.push_back(cover);
    }
}

void FormHost::DestroyCovers()
{
    for (HWND cover : covers_)
        if (IsWindow(cover)) DestroyWindow(cover);
    covers_.clear();
}

bool FormHost::IsOwnWindow(HWND window) const
{
    if (form_ != nullptr && (window == form_ || IsChild(form_, window))) return true;
    return std::find(covers_.begin(), covers_.end(), window) != covers_.end();
}

void FormHost::DestroyForm()
{
    DestroyCovers();
    if (!form1_) return;
    if (form_ != nullptr && IsWindow(form_)) DestroyWindow(form_);
    form_ = stage_ = nullptr;
    Guarded([&] { form1_->FormDestroy(); });
    form1_.reset();
}

int FormHost::RunSaver()
{
    if (!CreateForm(0)) return 0;  // creation was stopped: the saver ends at once
    CreateCovers();
    // Above the covers too, should a monitor overlap the primary.
    SetWindowPos(form_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(form_);
    SetFocus(form_);
    // WM_ACTIVATE has run FormActivate where the system activated the window;
    // the handler does its work once either way.
    Guarded([&] { form1_->FormActivate(); });

    int exitCode = 0;
    bool quit = false, messages = true;
    while (true) {
        // A wait that ran out found no message: nothing to drain. Whatever
        // comes after it wakes the next wait at once.
        if (messages) DrainMessages(quit, exitCode);
        if (quit) break;
        if (!form1_->IdleHandlerInstalled()) {
            // No frames: closed, with only the messages up to the quit
            // left, or without surfaces, black until a key ends it.
            WaitForMessages(INFINITE);
            messages = true;
            continue;
        }
        std::uint32_t wait = form1_->FrameWaitMs();
        if (wait == 0) {
            // A system library loaded since the last frame (an input method,
            // a hook) may have lowered the x87 precision the motion needs.
            app::UseExtendedPrecision();
            Guarded([&] {
                bool done = false;
                form1_->AnimeLoop(done);
            });
            messages = false;
            continue;
        }
        // Nothing changes before the next due tick or the end of the mouse
        // hold: sleep until shortly before it, or until a message comes. A
        // wait for a message wakes up to a few milliseconds late; the last
        // stretch goes in short sleeps, so the frame reads the due tick.
        if (wait > kLastStretchMs) {
            DWORD ms = std::min<std::uint32_t>(wait - kLastStretchMs, kLongestWaitMs);
            messages = WaitForMessages(ms) != Wake::TimeOut;
            continue;
        }
        // With `left` ms to go by the clock, the due tick is more than
        // left - 1 ms away: sleep that long, then in quarters of a ms. The
        // wait may grow meanwhile (the tick came while the mouse steers):
        // then it is a wait for messages again.
        for (std::uint32_t left; (left = form1_->FrameWaitMs()) > 0 && left <= kLastStretchMs;)
            shortSleep_.Sleep(left > 1 ? (left - 1) * 1000 : 250);
        messages = true;
    }
    DestroyForm();
    return exitCode;
}

int FormHost::RunPreview(WindowHandle parent)
{
    if (parent == 0 || !IsWindow(ToHwnd(parent))) return 0;  // no usable window: nothing to show
    if (!CreateForm(parent)) {
        DestroyForm();
        return 0;
    }
    int exitCode = 0;
    bool quit = false;
    // The preview ends when its window is closed or destroyed with its
    // parent, or when the parent stops being a window at all.
    while (!form1_->Closed && !windowGone_) {
        WaitForMessages(250);
        DrainMessages(quit, exitCode);
        if (quit || !IsWindow(ToHwnd(parent))) break;
    }
    DestroyForm();
    return exitCode;
}

void FormHost::DrainMessages(bool& quit, int& exitCode)
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            exitCode = static_cast<int>(message.wParam);
            return;
        }
        if (RouteKey(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// The form sees every key first (its key preview), whichever of its windows
// has the focus.
bool FormHost::RouteKey(const MSG& message)
{
    if (!IsOwnWindow(message.hwnd)) return false;
    auto key = static_cast<std::uint16_t>(message.wParam);
    switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: Guarded([&] { form1_->FormKeyDown(key); }); return true;
    case WM_KEYUP:
    case WM_SYSKEYUP: Guarded([&] { form1_->FormKeyUp(key); }); return true;
    default: return false;
    }
}

bool FormHost::IsMove(HWND window, LPARAM lParam)
{
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window, &at);
    return pointer_.IsMove(at.x, at.y);
}

bool FormHost::OverImage(int x, int y) const { return form1_->Figure.Image1.Contains(x, y); }

void FormHost::PaintStage(HDC dc)
{
    // The rows of the image's picture that the stage shows, handed over as
    // they lie (a top-down DIB over those rows); black where it does not reach.
    const figure::FigureState& f = form1_->Figure;
    const int width = f.Panel1.Width, height = f.Panel1.Height;
    const int left = f.Image1.Left, top = f.Image1.Top;
    const figure::Surface* picture = f.Image1.Picture;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (picture != nullptr) {
        x0 = std::max(0, left);
        y0 = std::max(0, top);
        x1 = std::min(width, left + picture->Width());
        y1 = std::min(height, top + picture->Height());
    }
    const bool covered = x0 < x1 && y0 < y1;
    if (!covered || x0 > 0 || y0 > 0 || x1 < width || y1 < height) {
        RECT all{0, 0, width, height};
        int saved = SaveDC(dc);
        if (covered) ExcludeClipRect(dc, x0, y0, x1, y1);
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        RestoreDC(dc, saved);
    }
    if (!covered) return;
    OneBitInfo info(picture->Width(), y1 - y0);
    SetDIBitsToDevice(dc, x0, y0, DWORD(x1 - x0), DWORD(y1 - y0), x0 - left, 0, 0, UINT(y1 - y0),
                      picture->Row(y0 - top), reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS);
}

void FormHost::RepaintImage(bool)
{
    // Painted at once in both cases: the frame is ready and the loop sleeps next.
    if (stage_ == nullptr || !IsWindowVisible(stage_)) return;
    HDC dc = GetDC(stage_);
    PaintStage(dc);
    ReleaseDC(stage_, dc);
}

void FormHost::DrawSamplePicture(int x, int y)
{
    auto picture = FindDib(instance_, "SAMPLE");
    auto info = picture ? saver::ReadDibInfo(picture->data, picture->size) : std::nullopt;
    if (!info || form_ == nullptr) return;
    HDC dc = paintDc_ != nullptr ? paintDc_ : GetDC(form_);
    // The preview's class draws on its parent's DC (CS_PARENTDC), clipped as
    // the parent is: a still larger than the window would reach past it.
    const int saved = SaveDC(dc);
    RECT client;
    GetClientRect(form_, &client);
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    SetDIBitsToDevice(dc, x, y, DWORD(info->Width), DWORD(info->Height), 0, 0, 0, UINT(info->Height),
                      picture->data + info->BitsOffset, reinterpret_cast<const BITMAPINFO*>(picture->data),
                      DIB_RGB_COLORS);
    RestoreDC(dc, saved);
    if (paintDc_ == nullptr) ReleaseDC(form_, dc);
}

void FormHost::HideForm()
{
    if (form_ != nullptr) ShowWindow(form_, SW_HIDE);
}

// The host of a window of the form, kept with the window from its creation.
FormHost* FormHost::Attach(HWND window, UINT message, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    FormHost* host = HostOf(window);
    return host != nullptr && host->form1_ ? host : nullptr;
}

LRESULT CALLBACK FormHost::FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    FormHost* host = Attach(window, message, lParam);
    return host ? host->OnFormMessage(window, message, wParam, lParam) : DefWindowProcA(window, message, wParam, lParam);
}

// A cover is black and does nothing; a click does not even activate it.
// A press gives the keyboard back to the saver window, should another
// window have taken it: the press makes this process the one the user
// works with, so the system lets it take the foreground. Keys that reach a
// cover all the same go to the form with the rest (RouteKey).
LRESULT CALLBACK FormHost::CoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    FormHost* host = Attach(window, message, lParam);
    switch (message) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (host != nullptr) host->TakeKeyboard();
        return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

void FormHost::TakeKeyboard()
{
    if (form_ == nullptr) return;
    SetForegroundWindow(form_);
    SetFocus(form_);
}

LRESULT CALLBACK FormHost::StageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    FormHost* host = Attach(window, message, lParam);
    return host ? host->OnStageMessage(window, message, wParam, lParam) : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT FormHost::OnFormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    saver::TForm1& f = *form1_;
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) Guarded([&] { f.FormActivate(); });
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        paintDc_ = BeginPaint(window, &paint);
        Guarded([&] { f.FormPaint(); });
        paintDc_ = nullptr;
        EndPaint(window, &paint);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (IsMove(window, lParam)) Guarded([&] { f.FormMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); });
        return 0;
    case WM_LBUTTONDBLCLK:
        return 0;  // the border outside the stage ends nothing
    case WM_SYSCOMMAND: {
        std::intptr_t result = 0;
        if (f.WMSysCommand(static_cast<std::uint32_t>(wParam), result)) return result;
        break;
    }
    case WM_CLOSE:
        Guarded([&] { f.Close(); });
        return 0;
    case WM_DISPLAYCHANGE:
        // A new resolution, or monitors came or went: the saver window
        // covers the primary screen as it is now, the stage in its middle,
        // and the covers follow.
        if (f.ParentWindow == 0 && !f.Closed) {
            DestroyCovers();
            Guarded([&] { f.DisplayChanged(); });
            PlaceWindows();
            CreateCovers();
            SetWindowPos(form_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
        break;
    case WM_DESTROY:
    case WM_NCDESTROY:
        // With a preview parent that is destroyed or whose process dies, one
        // or both of these are all that comes.
        windowGone_ = true;
        if (message == WM_NCDESTROY) form_ = stage_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT FormHost::OnStageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    saver::TForm1& f = *form1_;
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    const figure::TImage& image = f.Figure.Image1;
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        PaintStage(dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // the paint covers all of it
    case WM_MOUSEMOVE:
        if (IsMove(window, lParam) && OverImage(x, y))
            Guarded([&] { f.Image1MouseMove(x - image.Left, y - image.Top); });
        return 0;
    case WM_LBUTTONDBLCLK:
        if (OverImage(x, y)) Guarded([&] { f.Image1DblClick(); });
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (OverImage(x, y)) {
            auto button = message == WM_LBUTTONDOWN   ? figure::MouseButton::Left
                          : message == WM_RBUTTONDOWN ? figure::MouseButton::Right
                                                      : figure::MouseButton::Middle;
            Guarded([&] { f.Image1MouseDown(button, x - image.Left, y - image.Top); });
        }
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            POINT at;
            GetCursorPos(&at);
            ScreenToClient(window, &at);
            SetCursor(LoadCursorA(nullptr, OverImage(at.x, at.y) ? IDC_CROSS : IDC_ARROW));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace windows
