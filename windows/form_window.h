// A monitor's form: the full-screen window over one monitor with its TForm1,
// its stage painted at the monitor's scale, and the keys, pointer and
// system messages handed to the form's handlers. It is the form's window
// host: the form repaints, hides and ends the application through it.
#pragma once

#include <windows.h>

#include "figure/surface.h"
#include "saver/form_group.h"
#include "saver/frame.h"
#include "saver/monitors.h"
#include "saver/saver_window.h"
#include "windows/screen_window.h"
#include "windows/stage_painter.h"
#include "windows/win32_platform.h"

namespace windows {

class FormWindow : public ScreenWindow, public platform::WindowHost {
public:
    FormWindow(HINSTANCE instance, ScreenHost& host, Win32Platform& platform, saver::FormGroup& group,
               const figure::Surface* title);
    // The window goes, then the form leaves its group and its FormDestroy runs.
    ~FormWindow() override;

    // The window over `screen`, made there at once, not yet shown, and the
    // form on it, its stage in `mode`, monitor `monitor` of the group. False
    // where no window could be made or the form's creation stopped (the
    // version query failed).
    bool Create(const saver::Screen& screen, saver::StageMode mode, int monitor);
    saver::TForm1* Form() override { return &form_; }
    // The form follows the monitor: its stage centred again, and made anew
    // where a fill stage's size asks for another.
    void Relayout(const platform::Rect& area, int scale) override;

    void RepaintImage(bool now) override;
    void HideForm() override;
    void Terminate() override { PostQuitMessage(0); }
    void DisableIme() override;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPaint();
    void OnPointer(UINT message, LPARAM lParam);
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    // What `area` of the window shows now.
    void Paint(HDC dc, saver::PaintArea area);

    HINSTANCE instance_;
    ScreenHost& host_;
    saver::FormGroup& group_;
    saver::TForm1 form_;
    bool joined_ = false;
    StagePainter painter_;
};

}  // namespace windows
