#include "saver/saver_window.h"

#include <algorithm>
#include <new>

#include "figure/integer_text.h"
#include "figure/rounding.h"

namespace saver {
namespace {

constexpr std::uint16_t kKeyEscape = 27;
constexpr std::uint16_t kKeyC = 67;
constexpr std::uint16_t kKeyQ = 81;
constexpr std::uint16_t kKeyS = 83;
constexpr std::uint16_t kKeyX = 88;
constexpr std::uint16_t kKeyZ = 90;

constexpr std::string_view kDesktopKey = "Control Panel\\desktop";
constexpr std::string_view kUsePasswordValue = "ScreenSaveUsePassword";
constexpr std::int32_t kPlatform9x = 1;

void SetText(figure::TEdit& edit, std::string_view text)
{
    if (edit.Text != text) edit.Text = text;
}

}  // namespace

CreateParamsRecord StandardFormParams()
{
    CreateParamsRecord params;
    params.Caption = "screen saver";
    params.Style = style::kPopup | style::kClipChildren;
    params.ClassStyle = style::kDoubleClicks;
    return params;
}

std::uint32_t SleepTimeFrom(const platform::RegistryValue& value)
{
    switch (value.Kind) {
    case platform::ValueKind::Text:
        if (auto number = figure::ParseInteger(value.Text); number && *number >= 0)
            return static_cast<std::uint32_t>(*number);
        return kDefaultSleepTime;
    case platform::ValueKind::Dword:
        return value.Number;
    default:
        return kDefaultSleepTime;
    }
}

std::vector<platform::Rect> CoverAreas(const std::vector<platform::Monitor>& monitors)
{
    auto isPrimary = [](const platform::Monitor& m) { return m.Primary; };
    auto atOrigin = [](const platform::Monitor& m) {
        return m.Area.Left <= 0 && m.Area.Top <= 0 && m.Area.Right > 0 && m.Area.Bottom > 0;
    };
    auto primary = std::find_if(monitors.begin(), monitors.end(), isPrimary);
    if (primary == monitors.end()) primary = std::find_if(monitors.begin(), monitors.end(), atOrigin);
    std::vector<platform::Rect> covers;
    for (auto m = monitors.begin(); m != monitors.end(); ++m) {
        if (m == primary || m->Area.Empty()) continue;
        if (primary != monitors.end() && m->Area == primary->Area) continue;  // a mirror
        covers.push_back(m->Area);
    }
    return covers;
}

Point SamplePosition(int windowWidth, int windowHeight)
{
    return {-figure::Round((kSampleWidth - windowWidth) * 0.5L),
            -figure::Round((kSampleHeight - windowHeight) * 0.5L)};
}

TForm1::TForm1(platform::Platform& platform, WindowHandle parentWindow, const figure::Surface* title)
    : Platform(platform), ParentWindow(parentWindow), Image_Title(title), clock_(platform)
{
}

void TForm1::CreateParams(CreateParamsRecord& params) const
{
    if (ParentWindow != 0) {
        // A visible child that takes no input and gets no double clicks.
        params.WndParent = ParentWindow;
        params.Style = style::kChild | style::kVisible | style::kDisabled;
        params.ClassStyle = style::kParentDc;
    } else {
        params.ExStyle |= style::kExTopmost;
    }
}

void TForm1::FormCreate()
{
    Left = 0;
    Top = 0;
    Platform.timeBeginPeriod(1);
    periodRaised_ = true;
    Random.SetSeed(Platform.timeGetTime() % 30000u);

    if (ParentWindow != 0) {
        if (auto rect = Platform.GetWindowRect(ParentWindow)) {
            Width = rect->Right - rect->Left;
            Height = rect->Bottom - rect->Top;
        }
        Figure.Panel1.Visible = false;
        FormPaint();
    } else {
        platform::Size screen = Platform.ScreenSize();
        Figure.Panel1.Width = 1024;
        Figure.Panel1.Height = 768;
        Resize(screen.Width, screen.Height);
        Figure.Panel1.Visible = true;
        std::optional<std::int32_t> platformId = Platform.GetVersionPlatformId();
        if (!platformId) {
            Close();
            return;
        }
        PlatformId = *platformId;
        if (PlatformId == kPlatform9x) Platform.SetScreenSaverRunning(true);
        Platform.DisableIme();
        LayOutCovers();
    }

    ReadSettings();
    GiveStartValues();
    Closed = false;
    try {
        figure::CreateSurfaces(Figure);
    } catch (const std::bad_alloc&) {
        DropSurfaces();
        return;
    }
    if (ParentWindow == 0) idleInstalled_ = true;
}

void TForm1::DropSurfaces()
{
    figure::FigureState& f = Figure;
    f.Image1.Picture = nullptr;
    f.Image1.Width = f.Image1.Height = 0;  // nothing to click or steer on
    f.PatternBitmap = f.FrameBitmap = f.Image1Picture = figure::Surface();
    for (figure::Surface& shifted : f.PatternShifts) shifted = figure::Surface();
    f.ShiftsVersion = ~std::uint64_t(0);
    f.SurfacesCreated = false;
    idleInstalled_ = false;
}

void TForm1::Resize(int width, int height)
{
    Width = width;
    Height = height;
    figure::TPanel& panel = Figure.Panel1;
    panel.Left = figure::Round((Width - panel.Width) * 0.5L);
    panel.Top = figure::Round((Height - panel.Height) * 0.5L);
}

void TForm1::LayOutCovers() { Covers = CoverAreas(Platform.Monitors()); }

void TForm1::DisplayChanged()
{
    if (ParentWindow != 0 || Closed) return;
    platform::Size screen = Platform.ScreenSize();
    Resize(screen.Width, screen.Height);
    LayOutCovers();
}

void TForm1::ReadSettings()
{
    Platform.CreateKey(kMakerKey);
    Pacing.SleepTime = SleepTimeFrom(Platform.ReadValue(kSettingsKey, kSleepTimeValue));
}

void TForm1::GiveStartValues()
{
    Activated = false;
    ActivatedTick = 0;
    Motion = figure::MotionState{};
    Placement = figure::Placement{};
    Pacing.LastFrameTick = 0;
    Pacing.MouseSteering = false;
    Pacing.LastMouseTick = 0;
    Steering = pace::SteeringState{};
}

void TForm1::FormActivate()
{
    if (Activated) return;
    if (ParentWindow == 0 && Figure.SurfacesCreated) {
        Platform.HideApplicationWindow();
        // The image's copy and the pattern's shifted copies are made here.
        try {
            figure::Btn_ClearClick(Figure);
            figure::BmpInit(Figure, 2);
            ReDraw();
        } catch (const std::bad_alloc&) {
            DropSurfaces();
        }
        Platform.RepaintImage(false);
    }
    ActivatedTick = Platform.timeGetTime();
    Activated = true;
}

void TForm1::FormPaint()
{
    if (ParentWindow == 0) return;  // the framework filled the window black
    Point at = SamplePosition(Width, Height);
    Platform.DrawSamplePicture(at.X, at.Y);
}

void TForm1::FormClose()
{
    idleInstalled_ = false;
    if (PlatformId == kPlatform9x) Platform.SetScreenSaverRunning(false);
    Closed = true;
}

void TForm1::FormDestroy()
{
    if (!periodRaised_) return;  // never created, or destroyed already
    Platform.timeEndPeriod(1);
    periodRaised_ = false;
}

bool TForm1::WMSysCommand(std::uint32_t command, std::intptr_t& result)
{
    if (std::uint16_t(command) != kScreenSaveCommand) return false;
    result = 1;  // no other screen saver starts while this one runs
    return true;
}

void TForm1::FormKeyDown(std::uint16_t key)
{
    // Every key ends the saver; Esc asks twice, yet the password of the 9x
    // family is asked for at most once per key press.
    inKeyPress_ = true;
    keyVerdict_.reset();
    Close();
    switch (key) {
    case kKeyEscape: Close(); break;
    case kKeyC: SetText(Controls.Edit_MoveX, "1"); break;
    case kKeyS: SetText(Controls.Edit_MoveY, "-1"); break;
    case kKeyX: SetText(Controls.Edit_MoveY, "1"); break;
    case kKeyZ: SetText(Controls.Edit_MoveX, "-1"); break;
    case kKeyQ: Btn_Undo.Click(); break;
    default: break;
    }
    inKeyPress_ = false;
}

void TForm1::FormKeyUp(std::uint16_t key)
{
    switch (key) {
    case kKeyC:
    case kKeyZ: SetText(Controls.Edit_MoveX, "0"); break;
    case kKeyS:
    case kKeyX: SetText(Controls.Edit_MoveY, "0"); break;
    default: break;
    }
}

void TForm1::Image1DblClick()
{
    if (ParentWindow == 0) Close();
}

void TForm1::Image1MouseDown(figure::MouseButton button, int x, int y)
{
    figure::Image1MouseDown(Figure, button, x, y);
}

void TForm1::Image1MouseMove(int x, int y)
{
    if (!CheckBox2.Checked || !Figure.SurfacesCreated) return;
    if (pace::CountMouseMove(Steering, Pacing, clock_, ActivatedTick) != pace::MoveVerdict::Steer) return;
    Placement.Centre2X = static_cast<std::int32_t>(std::int64_t(x) + Figure.Image1.Left);
    Placement.Centre2Y = static_cast<std::int32_t>(std::int64_t(y) + Figure.Image1.Top);
    if (CheckBox3.Checked) figure::TaishoSet(Placement, Figure);
    figure::PointMove(Placement, Figure);
    Motion.MoveState = figure::kApproach;
    Motion.NewLeg = true;
    pace::StampSteeredMove(Pacing, clock_);
    ReDraw();
    Platform.RepaintImage(true);
}

void TForm1::FormMouseMove(int, int) {}

bool TForm1::FormCloseQuery()
{
    // Only a saver of the 9x family asks for a password; so does nothing once
    // a close has been granted.
    if (ParentWindow != 0 || PlatformId != kPlatform9x || Closed) return true;
    platform::RegistryValue use = Platform.ReadValue(kDesktopKey, kUsePasswordValue);
    std::optional<std::int32_t> flag;
    if (use.Kind == platform::ValueKind::Dword) flag = static_cast<std::int32_t>(use.Number);
    if (use.Kind == platform::ValueKind::Text) flag = figure::ParseInteger(use.Text);
    if (!flag || *flag == 0) return true;  // no value, no integer, or no password

    Platform.ShowCursor();
    std::string path = Platform.GetSystemDirectory();
    if (path.empty() || path.back() != '\\') path += '\\';
    path += "PASSWORD.CPL";
    switch (Platform.VerifyScreenSavePwd(path, Handle)) {
    case platform::PasswordAnswer::Refused: return false;
    default: return true;  // no library, no entry point, or the right password
    }
}

bool TForm1::CloseAllowed()
{
    if (!CloseQueryConnected) return true;
    if (inKeyPress_ && keyVerdict_) return *keyVerdict_;
    bool allowed = FormCloseQuery();
    if (inKeyPress_) keyVerdict_ = allowed;
    return allowed;
}

void TForm1::Close()
{
    if (!CloseAllowed()) return;
    FormClose();
    Platform.HideForm();
    if (ParentWindow == 0) Platform.Terminate();
}

void TForm1::AnimeLoop(bool& done)
{
    Tick now = Platform.timeGetTime();
    done = false;
    if (pace::AnimeLoopStep(Pacing, now) != pace::IdleStep::Frame) return;
    ++PacedFrames;
    AutoMove();
    ReDraw();
    Platform.RepaintImage(false);
}

std::uint32_t TForm1::FrameWaitMs() { return pace::FrameWaitMs(Pacing, Platform.timeGetTime()); }

void TForm1::AutoMove() { figure::AutoMove(Motion, Controls, Placement, Figure, Random); }

void TForm1::ReDraw() { figure::ReDraw(Figure, Image_Title, clock_, ActivatedTick); }

}  // namespace saver
