#include "windows/form_host.h"

#include <windowsx.h>

#include <algorithm>

#include "app/fpu.h"
#include "saver/dib.h"
#include "windows/form_window.h"
#include "windows/guarded.h"
#include "windows/message_wait.h"
#include "windows/preview_window.h"
#include "windows/resources.h"

namespace windows {
namespace {

constexpr const char* kApplicationClass = "vidider application";
// The last milliseconds before a due tick go in short sleeps: a wait for
// messages under Wine wakes up to 6 ms late. The stretch costs the same
// whatever its length: one sleep to the last millisecond, a few after.
constexpr std::uint32_t kLastStretchMs = 6;
// Waits end this often at the latest (a wait of 0xFFFFFFFF ms is endless).
constexpr std::uint32_t kLongestWaitMs = 0x7FFFFFFF;

// The scale of the monitor over `area`, at its own DPI.
int ScaleOf(const platform::Rect& area)
{
    const int dpi = MonitorDpi({area.Left + (area.Right - area.Left) / 2, area.Top + (area.Bottom - area.Top) / 2});
    return saver::ScaleForMonitor(dpi, area.Right - area.Left, area.Bottom - area.Top);
}

}  // namespace

FormHost::FormHost(HINSTANCE instance, Win32Platform& platform) : instance_(instance), platform_(platform)
{
    if (auto picture = FindDib(instance_, "TITLE")) {
        if (auto title = saver::DecodeOneBitDib(picture->data, picture->size)) title_ = std::move(*title);
    }
}

FormHost::~FormHost()
{
    DestroyAll();
    platform_.SetApplicationWindow(nullptr);
    if (application_ != nullptr) DestroyWindow(application_);
}

void FormHost::CreateApplicationWindow(const char* title)
{
    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = DefWindowProcA;
    c.hInstance = instance_;
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.lpszClassName = kApplicationClass;
    c.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(100));
    RegisterClassExA(&c);
    application_ = CreateWindowExA(0, kApplicationClass, title, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                   0, 0, 0, 0, nullptr, nullptr, instance_, nullptr);
    platform_.SetApplicationWindow(application_);
}

const saver::TForm1* FormHost::Form() const { return Primary() != nullptr ? Primary()->Form() : nullptr; }
HWND FormHost::FormWindow() const { return Primary() != nullptr ? Primary()->Handle() : nullptr; }

std::vector<saver::Screen> FormHost::Screens() const
{
    // Windows 95 and NT 4 tell of no monitors: the primary screen alone.
    const platform::Size size = platform_.ScreenSize();
    const std::vector<platform::Monitor> monitors =
        mode_ == saver::StageMode::Fill ? platform_.Monitors() : std::vector<platform::Monitor>{};
    return saver::ScreensOf(monitors, {0, 0, size.Width, size.Height}, mode_, ScaleOf);
}

std::unique_ptr<ScreenWindow> FormHost::MakeScreenWindow(const saver::Screen& screen, int monitor)
{
    const figure::Surface* title = title_.Width() > 0 ? &title_ : nullptr;
    auto form = std::make_unique<windows::FormWindow>(instance_, *this, platform_, group_, title);
    if (form->Create(screen, mode_, monitor)) return form;
    // Without the primary's form there is no saver; another monitor whose
    // window cannot be made still goes black.
    if (monitor == 0) return nullptr;
    auto cover = std::make_unique<CoverWindow>(instance_, *this);
    return cover->Create(screen.Area) ? std::move(cover) : nullptr;
}

bool FormHost::CreateForms()
{
    // The Stage setting tells how many forms to make: it is read here, once,
    // before any form exists; the primary's form reads SleepTime.
    mode_ = saver::StageModeFrom(platform_.ReadValue(saver::kSettingsKey, saver::kStageValue));
    const std::vector<saver::Screen> screens = Screens();
    for (std::size_t k = 0; k < screens.size(); ++k) {
        std::unique_ptr<ScreenWindow> window = MakeScreenWindow(screens[k], int(k));
        if (window == nullptr && k == 0) return false;
        if (window != nullptr) monitors_.push_back(std::move(window));
    }
    return true;
}

// The classic stage's other monitors, as the primary's form lays them out.
void FormHost::CreateCovers()
{
    if (mode_ != saver::StageMode::Classic || Form() == nullptr) return;
    for (const platform::Rect& area : Form()->Covers) {
        auto cover = std::make_unique<CoverWindow>(instance_, *this);
        if (cover->Create(area)) monitors_.push_back(std::move(cover));
    }
}

void FormHost::ShowAll()
{
    for (auto it = monitors_.rbegin(); it != monitors_.rend(); ++it) (*it)->ShowTopmost();
}

void FormHost::DestroyAll()
{
    // The primary's form goes last: it holds what the process holds.
    while (!monitors_.empty()) monitors_.pop_back();
}

ScreenWindow* FormHost::MonitorOf(HWND window) const
{
    for (const auto& monitor : monitors_)
        if (monitor->Owns(window)) return monitor.get();
    return nullptr;
}

bool FormHost::PointerMoved(HWND window, LPARAM lParam)
{
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window, &at);
    return pointer_.IsMove(at.x, at.y);
}

void FormHost::DisplayChanged()
{
    // The monitors are read once the changes have settled: the system may
    // tell of one change in several steps, some of them half done.
    relayout_.Changed(platform_.timeGetTime());
}

void FormHost::TakeKeyboard()
{
    HWND window = FormWindow();
    if (window == nullptr) return;
    SetForegroundWindow(window);
    SetFocus(window);
}

void FormHost::Relayout()
{
    if (Form() == nullptr || group_.Closed()) return;
    const std::vector<saver::Screen> screens = Screens();
    if (mode_ == saver::StageMode::Classic)
        RelayoutClassic(screens.front());
    else
        RelayoutFill(screens);
}

void FormHost::RelayoutClassic(const saver::Screen& primary)
{
    // The primary's window covers the primary screen as it is now, the
    // stage in its middle at its scale, and the covers follow; where none
    // of that changed, nothing moves.
    ScreenWindow& first = *Primary();
    const bool moved = !(first.Area() == primary.Area) || first.Scale() != primary.Scale;
    if (moved) first.Relayout(primary.Area, primary.Scale);
    first.Form()->LayOutCovers();
    std::vector<platform::Rect> covers;
    for (std::size_t k = 1; k < monitors_.size(); ++k) covers.push_back(monitors_[k]->Area());
    const bool coversMoved = covers != first.Form()->Covers;
    if (coversMoved) {
        monitors_.resize(1);
        CreateCovers();
    }
    if (moved || coversMoved) ShowAll();
}

void FormHost::RelayoutFill(const std::vector<saver::Screen>& screens)
{
    // Where every monitor is as it was (a change that came back, or one of
    // another program's), nothing moves.
    if (screens.size() == monitors_.size() &&
        std::equal(screens.begin(), screens.end(), monitors_.begin(), [](const saver::Screen& s, const auto& m) {
            return m->Area() == s.Area && m->Scale() == s.Scale;
        }))
        return;
    // A monitor keeps its form where a monitor still starts at its top-left:
    // it follows a new size or scale. New monitors get forms of their own;
    // the forms of monitors gone end.
    std::vector<platform::Rect> before, now;
    for (const auto& monitor : monitors_) before.push_back(monitor->Area());
    for (const saver::Screen& screen : screens) now.push_back(screen.Area);
    const std::vector<int> keep = saver::KeptForms(before, now);
    std::vector<std::unique_ptr<ScreenWindow>> kept(screens.size());
    for (std::size_t k = 0; k < screens.size(); ++k)
        if (keep[k] >= 0) kept[k] = std::move(monitors_[std::size_t(keep[k])]);
    monitors_.clear();  // monitors gone: their forms end
    for (std::size_t k = 0; k < screens.size(); ++k) {
        const saver::Screen& screen = screens[k];
        std::unique_ptr<ScreenWindow> window = std::move(kept[k]);
        if (window != nullptr && (!(window->Area() == screen.Area) || window->Scale() != screen.Scale))
            window->Relayout(screen.Area, screen.Scale);
        if (window == nullptr && (window = MakeScreenWindow(screen, int(k))) != nullptr && window->Form() != nullptr) {
            window->ShowTopmost();
            Guarded([&] { window->Form()->FormActivate(); });
        }
        if (window != nullptr) monitors_.push_back(std::move(window));
    }
    ShowAll();
}

int FormHost::RunSaver()
{
    if (!CreateForms()) {  // creation was stopped: the saver ends at once
        DestroyAll();
        return 0;
    }
    CreateCovers();
    // Every window black at once, before any figure is built: no desktop
    // shows through meanwhile. Then the primary takes the keyboard, and its
    // activation builds its pattern; then every other form builds its own,
    // or takes one of its size.
    ShowAll();
    TakeKeyboard();
    Guarded([&] { group_.Activate(); });
    const int exitCode = Loop();
    DestroyAll();
    return exitCode;
}

int FormHost::Loop()
{
    int exitCode = 0;
    bool quit = false, messages = true;
    while (true) {
        // Every message waiting is read after each round of frames, however
        // long they took; a wait that ran out found none.
        if (messages) DrainMessages(quit, exitCode);
        if (quit) return exitCode;
        // One reading of the clock for every form: the monitors' frames
        // come on the same tick.
        const figure::Tick now = platform_.timeGetTime();
        if (relayout_.Settled(now)) Relayout();
        std::uint32_t wait = group_.FrameWaitMs(now);
        if (relayout_.Pending()) wait = std::min<std::uint32_t>(wait, relayout_.WaitMs(now) + kLastStretchMs + 1);
        if (wait == 0) {
            // A system library loaded since the last frame (an input method,
            // a hook) may have lowered the x87 precision the motion needs.
            app::UseExtendedPrecision();
            group_.AnimeLoop(now);
            messages = true;
            continue;
        }
        messages = Sleep(wait);
    }
}

bool FormHost::Sleep(std::uint32_t wait)
{
    // Nothing changes before the next due tick or the end of the mouse
    // hold: sleep until shortly before it, or until a message comes. A wait
    // for a message wakes up to a few milliseconds late; the last stretch
    // goes in short sleeps, so the frame reads the due tick. Without frames
    // (closed, or black for want of memory) that is a day at a time.
    if (wait > kLastStretchMs) return WaitForMessages(std::min<std::uint32_t>(wait - kLastStretchMs, kLongestWaitMs)) != Wake::TimeOut;
    // With `left` ms to go by the clock, the due tick is more than left - 1
    // ms away: sleep that long, then in quarters of a ms. The wait may grow
    // meanwhile (the tick came while the mouse steers): then it is a wait
    // for messages again.
    for (std::uint32_t left; (left = group_.FrameWaitMs(platform_.timeGetTime())) > 0 && left <= kLastStretchMs;)
        shortSleep_.Sleep(left > 1 ? (left - 1) * 1000 : 250);
    return true;
}

int FormHost::RunPreview(WindowHandle parent)
{
    if (parent == 0 || !IsWindow(ToHwnd(parent))) return 0;  // no usable window: nothing to show
    PreviewWindow preview(instance_, platform_, parent);
    if (!preview.Create(application_)) return 0;
    int exitCode = 0;
    bool quit = false;
    // The preview ends when its window is closed or destroyed with its
    // parent, or when the parent stops being a window at all.
    while (!preview.Form().Closed && !preview.Gone()) {
        WaitForMessages(250);
        DrainMessages(quit, exitCode);
        if (quit || !IsWindow(ToHwnd(parent))) break;
    }
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

// The forms see every key first (their key preview), whichever of the
// saver's windows has the focus; a cover's keys go to the primary's form.
bool FormHost::RouteKey(const MSG& message)
{
    ScreenWindow* monitor = MonitorOf(message.hwnd);
    if (monitor == nullptr) return false;
    saver::TForm1* form = monitor->Form() != nullptr ? monitor->Form() : Primary()->Form();
    if (form == nullptr) return false;
    auto key = static_cast<std::uint16_t>(message.wParam);
    switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: Guarded([&] { form->FormKeyDown(key); }); return true;
    case WM_KEYUP:
    case WM_SYSKEYUP: Guarded([&] { form->FormKeyUp(key); }); return true;
    default: return false;
    }
}

}  // namespace windows
