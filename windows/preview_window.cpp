#include "windows/preview_window.h"

#include "saver/dib.h"
#include "windows/guarded.h"
#include "windows/resources.h"

namespace windows {
namespace {

constexpr const char* kPreviewClass = "vidider preview";

}  // namespace

PreviewWindow::PreviewWindow(HINSTANCE instance, Win32Platform& platform, WindowHandle parent)
    : instance_(instance), form_(platform, *this, parent, nullptr)
{
}

PreviewWindow::~PreviewWindow()
{
    Destroy();
    Guarded([&] { form_.FormDestroy(); });
}

bool PreviewWindow::Create(HWND application)
{
    saver::CreateParamsRecord params = saver::StandardFormParams();
    params.WndParent = FromHwnd(application);
    form_.CreateParams(params);
    RECT client;
    if (!GetClientRect(ToHwnd(params.WndParent), &client)) return false;
    if (!Window::Create(instance_, kPreviewClass, params.ClassStyle, params.ExStyle, params.Caption.c_str(),
                        params.Style, client, ToHwnd(params.WndParent)))
        return false;
    form_.Handle = FromHwnd(Handle());
    Guarded([&] { form_.FormCreate(); });
    return true;
}

void PreviewWindow::DrawSamplePicture(int x, int y)
{
    auto picture = FindDib(instance_, "SAMPLE");
    auto info = picture ? saver::ReadDibInfo(picture->data, picture->size) : std::nullopt;
    if (!info || Handle() == nullptr) return;
    HDC dc = paintDc_ != nullptr ? paintDc_ : GetDC(Handle());
    // The preview's class draws on its parent's DC (CS_PARENTDC), clipped as
    // the parent is: a still larger than the window would reach past it.
    const int saved = SaveDC(dc);
    RECT client;
    GetClientRect(Handle(), &client);
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    SetDIBitsToDevice(dc, x, y, DWORD(info->Width), DWORD(info->Height), 0, 0, 0, UINT(info->Height),
                      picture->data + info->BitsOffset, reinterpret_cast<const BITMAPINFO*>(picture->data),
                      DIB_RGB_COLORS);
    RestoreDC(dc, saved);
    if (paintDc_ == nullptr) ReleaseDC(Handle(), dc);
}

void PreviewWindow::HideForm()
{
    if (Handle() != nullptr) ShowWindow(Handle(), SW_HIDE);
}

LRESULT PreviewWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) Guarded([&] { form_.FormActivate(); });
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        paintDc_ = BeginPaint(Handle(), &paint);
        Guarded([&] { form_.FormPaint(); });
        paintDc_ = nullptr;
        EndPaint(Handle(), &paint);
        return 0;
    }
    case WM_SYSCOMMAND: {
        std::intptr_t result = 0;
        if (form_.WMSysCommand(static_cast<std::uint32_t>(wParam), result)) return result;
        break;
    }
    case WM_CLOSE: Guarded([&] { form_.Close(); }); return 0;
    // With a parent that is destroyed or whose process dies, one or both of
    // these are all that comes.
    case WM_DESTROY:
    case WM_NCDESTROY: gone_ = true; break;
    default: break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace windows
