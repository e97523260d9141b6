// The window framework under TForm1: the hidden application window, the
// saver window with its stage Panel1 and the image Image1 on it, the black
// covers of the other monitors (hit testing,
// the cross cursor, painting the shown window of the frame), the routing of
// keys, moves and clicks to the form's handlers, and the two loops: the
// saver's, which runs the idle handler and sleeps until the next due tick,
// and the preview's, which ends when its window or its parent is gone.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "figure/surface.h"
#include "windows/win32_platform.h"
#include "saver/saver_window.h"
#include "saver/pointer_filter.h"

namespace windows {

class FormHost : public FormWindows {
public:
    FormHost(HINSTANCE instance, Win32Platform& platform);
    ~FormHost();
    FormHost(const FormHost&) = delete;
    FormHost& operator=(const FormHost&) = delete;

    // The hidden window that carries the application's taskbar button.
    void CreateApplicationWindow(const char* title);

    // Full screen: creates Form1 as the main window, runs the message loop
    // until the application terminates, destroys the form. The exit code.
    int RunSaver();
    // Inside the preview window `parent`, until the window is closed or gone.
    int RunPreview(WindowHandle parent);

    // The form while it exists, for what watches it (the pacing benchmark).
    const saver::TForm1* Form() const { return form1_.get(); }

    HWND ApplicationWindow() const override { return application_; }
    HWND FormWindow() const override { return form_; }
    void RepaintImage(bool now) override;
    void DrawSamplePicture(int x, int y) override;
    void HideForm() override;

private:
    bool CreateForm(WindowHandle parent);
    void DestroyForm();
    void CreateCovers();
    void DestroyCovers();
    bool IsOwnWindow(HWND window) const;
    void PlaceWindows();
    void PaintStage(HDC dc);
    bool OverImage(int panelX, int panelY) const;
    bool RouteKey(const MSG& message);
    void DrainMessages(bool& quit, int& exitCode);

    static FormHost* Attach(HWND window, UINT message, LPARAM lParam);
    static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK StageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The saver window takes the foreground and the keyboard focus.
    void TakeKeyboard();
    LRESULT OnFormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnStageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool IsMove(HWND window, LPARAM lParam);

    HINSTANCE instance_;
    Win32Platform& platform_;
    figure::Surface title_;
    std::unique_ptr<saver::TForm1> form1_;
    saver::PointerFilter pointer_;
    HWND application_ = nullptr;
    HWND form_ = nullptr;
    HWND stage_ = nullptr;
    std::vector<HWND> covers_;  // black windows over the other monitors
    HDC paintDc_ = nullptr;  // the form's DC while it handles WM_PAINT
    ShortSleep shortSleep_;
    bool windowGone_ = false;
};

}  // namespace windows
