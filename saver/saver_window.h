// TForm1, the saver window: its life from creation to destruction, its
// settings, its stage, the frame clock, steering, and the keys and double
// clicks that end it. The host owns the real window and calls its handlers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "figure/controls.h"
#include "figure/motion.h"
#include "figure/pattern.h"
#include "figure/placement.h"
#include "figure/random.h"
#include "figure/redraw.h"
#include "pace/pacing.h"
#include "pace/steering.h"
#include "platform/platform.h"
#include "saver/stage_view.h"

namespace saver {

class FormGroup;

using figure::Tick;
using platform::WindowHandle;

// Window and class styles the saver window is created with.
namespace style {
constexpr std::uint32_t kPopup = 0x80000000u;
constexpr std::uint32_t kChild = 0x40000000u;
constexpr std::uint32_t kVisible = 0x10000000u;
constexpr std::uint32_t kDisabled = 0x08000000u;
constexpr std::uint32_t kClipChildren = 0x02000000u;
constexpr std::uint32_t kExTopmost = 0x00000008u;
constexpr std::uint32_t kDoubleClicks = 0x0008u;
constexpr std::uint32_t kParentDc = 0x0080u;
}  // namespace style

constexpr std::uint16_t kScreenSaveCommand = 0xF140;  // SC_SCREENSAVE

// The registry: the key the saver creates when missing, and its one setting.
constexpr std::string_view kMakerKey = "Software\\Tavrenholm\\";
constexpr std::string_view kSettingsKey = "Software\\Tavrenholm\\ScreenSaverSample";
constexpr std::string_view kSleepTimeValue = "SleepTime";
// The stage's mode beside it: the text "fill" (any case) fills every monitor.
constexpr std::string_view kStageValue = "Stage";
constexpr std::uint32_t kDefaultSleepTime = 20;

// The preview still, drawn centred in the preview window.
constexpr int kSampleWidth = 184;
constexpr int kSampleHeight = 133;

// The window parameters the framework fills before the window is created.
struct CreateParamsRecord {
    std::string Caption;
    std::uint32_t Style = 0;
    std::uint32_t ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    WindowHandle WndParent = 0;
    std::uint32_t ClassStyle = 0;
};

// The standard borderless form, before CreateParams adjusts it.
CreateParamsRecord StandardFormParams();

// The stage's mode from its registry value: Fill for the text "fill" in any
// case, Classic for anything else or nothing.
StageMode StageModeFrom(const platform::RegistryValue& value);

// SleepTime from its registry value: a text holding a whole number of 0 or
// more, or a REG_DWORD taken as its number; anything else is the default.
std::uint32_t SleepTimeFrom(const platform::RegistryValue& value);

// The top-left of the preview still in a window of the given size: centred,
// halves rounded to even, cut equally on both sides when the window is smaller.
struct Point {
    int X = 0;
    int Y = 0;
};
Point SamplePosition(int windowWidth, int windowHeight);

// Where the full-screen saver window lies and how it shows its stage: the
// host sets it before FormCreate.
struct FormScreen {
    // The monitor the window covers, in screen coordinates; empty: the
    // primary screen, at (0, 0).
    platform::Rect Area;
    // Screen pixels per figure pixel.
    int Scale = 1;
    StageMode Mode = StageMode::Classic;
};

class TForm1 {
public:
    // `platform` is the process's system, `host` the host of this form's
    // window; `parentWindow` is the preview window of the command line, 0 for
    // the full-screen saver; `title` is the title picture in the figure's
    // colours.
    TForm1(platform::Platform& platform, platform::WindowHost& host, WindowHandle parentWindow,
           const figure::Surface* title);
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    void CreateParams(CreateParamsRecord& params) const;

    void FormCreate();
    void FormActivate();
    void FormPaint();
    void FormClose();
    void FormDestroy();
    // True when the system command was answered here; `result` is then the
    // message result. Other commands go to the framework's default handling.
    bool WMSysCommand(std::uint32_t command, std::intptr_t& result);

    void FormKeyDown(std::uint16_t key);
    void FormKeyUp(std::uint16_t key);
    void Image1DblClick();
    void Image1MouseDown(figure::MouseButton button, int x, int y);
    void Image1MouseMove(int x, int y);
    void FormMouseMove(int x, int y);

    // The close request: the close query, then FormClose, then the hidden
    // window and, for the main window, the end of the application.
    void Close();
    bool FormCloseQuery();

    // The idle handler: at most one paced frame per SleepTime milliseconds.
    // `done` is cleared: the loop must come back as soon as it is idle again.
    // The clock is read once, or `now` serves (one reading for every form).
    void AnimeLoop(bool& done);
    void AnimeLoop(bool& done, Tick now);
    // True while the idle handler is installed (saver mode, until closing).
    bool IdleHandlerInstalled() const { return idleInstalled_; }
    // How long the host waits (for messages, or else) before it runs
    // AnimeLoop again, so that paced frames come exactly on their tick.
    std::uint32_t FrameWaitMs();
    std::uint32_t FrameWaitMs(Tick now) const;

    // One frame of motion, as the frame clock runs it.
    void AutoMove();
    // Composes the frame for the current placement (the caller repaints).
    void ReDraw();

    platform::Platform& Platform;
    platform::WindowHost& Host;
    const WindowHandle ParentWindow;
    WindowHandle Handle = 0;  // the saver window's own handle, once it exists

    std::int32_t PlatformId = 0;  // 1 the 9x family, 2 the NT family, 0 not asked
    bool Closed = false;
    bool Activated = false;
    Tick ActivatedTick = 0;

    // The window's place and size, in screen pixels.
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    FormScreen Screen;
    // The stage on the window: where it lies and at which scale. Panel1's
    // Left and Top are its offset on the window, its Width and Height the
    // stage in figure pixels.
    StageView View;
    // A new size of the window: the same stage is centred on it again,
    // halves to even, cut equally on both sides when the window is smaller.
    void Resize(int width, int height);
    // Whether the window now asks for another stage than it has (a fill
    // stage whose window changed its size).
    bool WantsAnotherStage() const;
    // Makes the stage the window asks for now, if it is another: new
    // surfaces and, once activated, a new pattern; the centres move with the
    // origin and the motion goes on with a new approach leg. The title is not
    // shown again. Where the surfaces cannot be made the form goes black, as
    // at creation: no frames, and a key still ends the saver.
    void Restage();
    // The covers of the other monitors, in screen coordinates (saver mode).
    std::vector<platform::Rect> Covers;
    // Lays the covers out for the monitors there are now: at creation, and
    // again when monitors come or go.
    void LayOutCovers();
    // The display changed (a new resolution or DPI, monitors came or went):
    // the saver window covers `area` (empty: the primary screen as it is
    // now) at `scale` (0: the same), its stage centred on it and made anew
    // where a fill stage's size changes; the classic stage's covers follow.
    // The preview and a closed saver stay as they are.
    void DisplayChanged(const platform::Rect& area = {}, int scale = 0);

    // The forms of this process when there are several (one per monitor);
    // none for a saver of one window.
    FormGroup* Group = nullptr;
    // This form does what the process does once: it is alone, or its group's
    // primary.
    bool IsPrimary() const;
    // The seed the motion started from.
    std::uint32_t StartSeed = 0;

    figure::FigureState Figure;
    figure::MotionState Motion;
    figure::MotionControls Controls;
    figure::Placement Placement;
    figure::Random Random;
    pace::PacingState Pacing;
    std::uint64_t PacedFrames = 0;  // frames the frame clock has let through
    pace::SteeringState Steering;

    figure::TCheckBox CheckBox2{"mouse", true};
    figure::TCheckBox CheckBox3{"taisyo", true};
    figure::TButton Btn_Clear{"CLEAR", {}};
    figure::TButton Btn_Undo{"undo", {}};
    const figure::Surface* Image_Title;

    // Whether FormCloseQuery is asked before closing.
    bool CloseQueryConnected = true;

private:
    class PlatformClock : public figure::Clock {
    public:
        explicit PlatformClock(platform::Platform& platform) : platform_(&platform) {}
        Tick Ticks() const override { return platform_->timeGetTime(); }

    private:
        platform::Platform* platform_;
    };

    // FormCreate's steps of preview mode and of saver mode; the second is
    // false where creation stops (the version query failed).
    void CreateInPreview();
    bool CreateFullScreen();
    // The figure's surfaces for its stage, the pattern taken from another
    // monitor's form of the same stage size where there is one.
    void MakeSurfaces(bool framesToCome);
    void ReadSettings();
    void GiveStartValues();
    bool CloseAllowed();
    // Out of memory for the figure's surfaces: the form gives up all of
    // them and its frames. Its stage stays black (as a black cover is) and
    // keys end the saver as ever.
    void DropSurfaces();

    PlatformClock clock_;
    bool idleInstalled_ = false;
    // Set between FormCreate's timeBeginPeriod and FormDestroy's
    // timeEndPeriod: the system counts them, and an end without its begin
    // would undo another program's.
    bool periodRaised_ = false;
    // While a key press is handled, the close query's first answer serves
    // every close request of that press.
    bool inKeyPress_ = false;
    std::optional<bool> keyVerdict_;
    // The close query is open: one at a time.
    bool closeQueryOpen_ = false;
};

}  // namespace saver
