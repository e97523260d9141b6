#include "windows/window.h"

namespace windows {
namespace {

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

}  // namespace

Window::~Window() { Destroy(); }

bool Window::Create(HINSTANCE instance, const char* className, UINT classStyle, DWORD exStyle, const char* caption,
                    DWORD style, const RECT& place, HWND parent)
{
    RegisterClassOnce(instance, className, classStyle, Proc);
    CreateWindowExA(exStyle, className, caption, style, place.left, place.top, place.right - place.left,
                    place.bottom - place.top, parent, nullptr, instance, this);
    return window_ != nullptr;
}

void Window::Destroy()
{
    HWND window = window_;
    if (window == nullptr) return;
    window_ = nullptr;
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    if (IsWindow(window)) DestroyWindow(window);
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) { return Default(message, wParam, lParam); }

LRESULT Window::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window_, message, wParam, lParam);
}

// The object is known from the window's creation on; after WM_NCDESTROY the
// handle is no window's.
LRESULT CALLBACK Window::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* created = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        created->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    const LRESULT result = self->OnMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
    }
    return result;
}

}  // namespace windows
