// The About box as a window, run under Wine inside vidider-tests.exe: its
// owner, and what it does when its monitor's DPI changes.
#include <gtest/gtest.h>

#include "app/sssetdlg.h"
#include "windows/about_box.h"
#include "windows/compat.h"

namespace windows {
namespace {

// The real platform, with a foreground window of the test's choosing.
class ChosenForeground : public Win32Platform {
public:
    explicit ChosenForeground(HWND window) : window_(window) {}
    WindowHandle GetForegroundWindow() override { return FromHwnd(window_); }

private:
    HWND window_;
};

HWND PlainWindow()
{
    WNDCLASSA c{};
    c.lpfnWndProc = DefWindowProcA;
    c.hInstance = GetModuleHandleA(nullptr);
    c.lpszClassName = "about box test owner";
    RegisterClassA(&c);
    return CreateWindowExA(0, c.lpszClassName, "owner", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr, nullptr,
                           c.hInstance, nullptr);
}

RECT Frame(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

TEST(AboutBoxWindow, IsOwnedByTheForegroundWindowWhichStaysDisabledUntilItCloses)
{
    HWND owner = PlainWindow();
    ASSERT_NE(owner, nullptr);
    ChosenForeground platform(owner);
    {
        AboutBox box(GetModuleHandleA(nullptr), platform);
        ASSERT_TRUE(box.Open());
        EXPECT_EQ(GetWindow(box.Window(), GW_OWNER), owner);
        EXPECT_FALSE(IsWindowEnabled(owner));
    }
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST(AboutBoxWindow, ComesWithoutAnOwnerWhenTheForegroundWindowIsGone)
{
    HWND gone = PlainWindow();
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);  // the handle the system gave as foreground, no window now
    ChosenForeground platform(gone);
    AboutBox box(GetModuleHandleA(nullptr), platform);
    ASSERT_TRUE(box.Open()) << "no box at all";
    EXPECT_EQ(GetWindow(box.Window(), GW_OWNER), nullptr);
    EXPECT_TRUE(IsWindowVisible(box.Window()));
    EXPECT_NE(GetDlgItem(box.Window(), IDOK), nullptr);
}

TEST(AboutBoxWindow, OnANewDpiTakesTheSuggestedRectangleAndScalesItsControls)
{
    ChosenForeground platform(nullptr);
    AboutBox box(GetModuleHandleA(nullptr), platform);
    ASSERT_TRUE(box.Open());
    HWND ok = GetDlgItem(box.Window(), IDOK);
    ASSERT_NE(ok, nullptr);
    const int first = box.Dpi();

    for (int dpi : {192, 120, first}) {
        RECT suggested = Frame(box.Window());
        suggested.left += 37;
        suggested.top += 11;
        suggested.right = suggested.left + app::Scaled(400, dpi);
        suggested.bottom = suggested.top + app::Scaled(200, dpi);
        SendMessageA(box.Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(box.Dpi(), dpi);
        RECT now = Frame(box.Window());
        EXPECT_EQ(now.left, suggested.left) << dpi << " DPI";
        EXPECT_EQ(now.top, suggested.top) << dpi << " DPI";
        EXPECT_EQ(now.right, suggested.right) << dpi << " DPI";
        EXPECT_EQ(now.bottom, suggested.bottom) << dpi << " DPI";

        RECT button = Frame(ok);
        EXPECT_EQ(button.right - button.left, app::Scaled(73, dpi)) << "OK's width at " << dpi << " DPI";
        EXPECT_EQ(button.bottom - button.top, app::Scaled(23, dpi)) << "OK's height at " << dpi << " DPI";
        LOGFONTA font{};
        ASSERT_EQ(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(ok, WM_GETFONT, 0, 0)), sizeof font, &font),
                  int(sizeof font));
        EXPECT_EQ(font.lfHeight, -app::AboutFontHeight(dpi)) << "OK's font at " << dpi << " DPI";
    }
}

}  // namespace
}  // namespace windows
