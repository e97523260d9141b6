#include "saver/saver_window.h"

#include <algorithm>
#include <new>

#include "figure/integer_text.h"
#include "figure/rounding.h"
#include "saver/form_group.h"
#include "saver/monitors.h"

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

StageMode StageModeFrom(const platform::RegistryValue& value)
{
    if (value.Kind != platform::ValueKind::Text || value.Text.size() != 4) return StageMode::Classic;
    for (std::size_t i = 0; i < 4; ++i) {
        const char c = value.Text[i];
        const char lower = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;  // ASCII alone, whatever the locale
        if (lower != "fill"[i]) return StageMode::Classic;
    }
    return StageMode::Fill;
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

Point SamplePosition(int windowWidth, int windowHeight)
{
    return {-figure::Round((kSampleWidth - windowWidth) * 0.5L),
            -figure::Round((kSampleHeight - windowHeight) * 0.5L)};
}

TForm1::TForm1(platform::Platform& platform, platform::WindowHost& host, WindowHandle parentWindow,
               const figure::Surface* title)
    : Platform(platform), Host(host), ParentWindow(parentWindow), Image_Title(title), clock_(platform)
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

bool TForm1::IsPrimary() const { return Group == nullptr || Group->IsPrimary(*this); }

void TForm1::FormCreate()
{
    Left = 0;
    Top = 0;
    // The timer's resolution is the process's: the primary's form holds it.
    if (IsPrimary()) {
        Platform.timeBeginPeriod(1);
        periodRaised_ = true;
    }
    StartSeed = IsPrimary() ? Platform.timeGetTime() % 30000u : Group->SeedFor(*this);
    Random.SetSeed(StartSeed);
    if (ParentWindow != 0)
        CreateInPreview();
    else if (!CreateFullScreen())
        return;

    ReadSettings();
    GiveStartValues();
    Closed = false;
    try {
        // The preview composes no frame: it needs no copies for frames.
        MakeSurfaces(ParentWindow == 0);
    } catch (const std::bad_alloc&) {
        DropSurfaces();
        return;
    }
    if (ParentWindow == 0) idleInstalled_ = true;
}

void TForm1::CreateInPreview()
{
    if (auto rect = Platform.GetWindowRect(ParentWindow)) {
        Width = rect->Right - rect->Left;
        Height = rect->Bottom - rect->Top;
    }
    Figure.Panel1.Visible = false;
    FormPaint();
}

bool TForm1::CreateFullScreen()
{
    platform::Rect area = Screen.Area;
    if (area.Empty()) {
        const platform::Size screen = Platform.ScreenSize();
        area = {0, 0, screen.Width, screen.Height};
    }
    Left = area.Left;
    Top = area.Top;
    const figure::StageSize stage =
        StageForWindow(area.Right - area.Left, area.Bottom - area.Top, Screen.Scale, Screen.Mode);
    Figure.Panel1.Width = stage.Width;
    Figure.Panel1.Height = stage.Height;
    Resize(area.Right - area.Left, area.Bottom - area.Top);
    Figure.Panel1.Visible = true;
    if (IsPrimary()) {
        std::optional<std::int32_t> platformId = Platform.GetVersionPlatformId();
        if (!platformId) {
            Close();
            return false;
        }
        PlatformId = *platformId;
        if (PlatformId == kPlatform9x) Platform.SetScreenSaverRunning(true);
    }
    Host.DisableIme();
    // The classic stage's other monitors go black; where the stage fills
    // every screen, every monitor has a form of its own.
    if (Screen.Mode == StageMode::Classic && IsPrimary()) LayOutCovers();
    return true;
}

void TForm1::MakeSurfaces(bool framesToCome)
{
    const figure::StageSize stage{Figure.Panel1.Width, Figure.Panel1.Height};
    figure::CreateSurfaces(Figure, framesToCome, Group != nullptr ? Group->PatternFor(stage) : nullptr);
    if (Group != nullptr) Group->Share(Figure.Pattern);
}

void TForm1::DropSurfaces()
{
    figure::FigureState& f = Figure;
    f.Image1.Picture = nullptr;
    f.Image1.Width = f.Image1.Height = 0;  // nothing to click or steer on
    f.FrameBitmap = f.Image1Picture = figure::Surface();
    // The pattern goes with this figure; a form that shares it keeps it.
    f.Pattern.reset();
    f.SurfacesCreated = false;
    idleInstalled_ = false;
}

void TForm1::Resize(int width, int height)
{
    Width = width;
    Height = height;
    figure::TPanel& panel = Figure.Panel1;
    View = StageView(Width, Height, {panel.Width, panel.Height}, Screen.Scale);
    panel.Left = View.OffsetX();
    panel.Top = View.OffsetY();
}

bool TForm1::WantsAnotherStage() const
{
    return ParentWindow == 0 && StageForWindow(Width, Height, Screen.Scale, Screen.Mode) != View.Stage();
}

void TForm1::Restage()
{
    if (!WantsAnotherStage()) return;
    const figure::StageSize stage = StageForWindow(Width, Height, Screen.Scale, Screen.Mode);
    const std::int32_t originX = Figure.OriginX, originY = Figure.OriginY;
    Figure.Panel1.Width = stage.Width;
    Figure.Panel1.Height = stage.Height;
    Resize(Width, Height);
    // The old surfaces go first: the new ones need the memory, and the old
    // ones fit no longer.
    DropSurfaces();
    try {
        MakeSurfaces(true);
    } catch (const std::bad_alloc&) {
        Host.RepaintImage(false);  // black, as a form whose surfaces could not be made at creation
        return;
    }
    idleInstalled_ = !Closed;
    if (!Activated) return;  // the first activation builds the pattern
    figure::BuildPattern(Figure);
    // The centres keep their places about the origin; the motion goes on
    // from there with a new leg.
    const std::int32_t dx = Figure.OriginX - originX, dy = Figure.OriginY - originY;
    Placement.Centre1X += dx;
    Placement.Centre1Y += dy;
    Placement.Centre2X += dx;
    Placement.Centre2Y += dy;
    Motion.MoveState = figure::kApproach;
    Motion.NewLeg = true;
    figure::PointMove(Placement, Figure);
    ReDraw();
    Host.RepaintImage(false);
}

void TForm1::LayOutCovers() { Covers = CoverAreas(Platform.Monitors()); }

void TForm1::DisplayChanged(const platform::Rect& area, int scale)
{
    if (ParentWindow != 0 || Closed) return;
    Screen.Area = area;
    if (scale > 0) Screen.Scale = scale;
    platform::Rect now = area;
    if (now.Empty()) {
        const platform::Size screen = Platform.ScreenSize();
        now = {0, 0, screen.Width, screen.Height};
    }
    Left = now.Left;
    Top = now.Top;
    Resize(now.Right - now.Left, now.Bottom - now.Top);
    Restage();
    if (Screen.Mode == StageMode::Classic && IsPrimary()) LayOutCovers();
}

void TForm1::ReadSettings()
{
    // The settings are read once a process, by the primary's form.
    if (!IsPrimary()) {
        Pacing.SleepTime = Group->Primary()->Pacing.SleepTime;
        return;
    }
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
    // Every monitor's title runs from the primary's activation.
    TForm1* primary = IsPrimary() ? nullptr : Group->Primary();
    if (primary != nullptr) primary->FormActivate();
    if (ParentWindow == 0 && primary == nullptr && !Closed) Platform.HideApplicationWindow();
    if (ParentWindow == 0 && Figure.SurfacesCreated) {
        // Every surface this needs was made at creation; a pattern another
        // monitor of this stage's size has built serves as it is.
        figure::BuildPattern(Figure);
        ReDraw();
        Host.RepaintImage(false);
    }
    ActivatedTick = primary != nullptr ? primary->ActivatedTick : Platform.timeGetTime();
    Activated = true;
}

void TForm1::FormPaint()
{
    if (ParentWindow == 0) return;  // the framework filled the window black
    Point at = SamplePosition(Width, Height);
    Host.DrawSamplePicture(at.X, at.Y);
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
    Host.RepaintImage(true);
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
    // Of several forms, the primary's knows the system and asks. While it
    // asks (the password dialog of the 9x family is open and its loop hands
    // this process's messages on), a further request, from a double click
    // on another monitor say, is no request: the open one answers.
    TForm1& asker = IsPrimary() ? *this : *Group->Primary();
    if (asker.closeQueryOpen_) return false;
    asker.closeQueryOpen_ = true;
    bool allowed = false;
    try {
        allowed = asker.FormCloseQuery();
    } catch (...) {
        asker.closeQueryOpen_ = false;
        throw;
    }
    asker.closeQueryOpen_ = false;
    if (inKeyPress_) keyVerdict_ = allowed;
    return allowed;
}

void TForm1::Close()
{
    if (!CloseAllowed()) return;
    if (Group != nullptr) {
        Group->CloseAll();
        return;
    }
    FormClose();
    Host.HideForm();
    if (ParentWindow == 0) Host.Terminate();
}

void TForm1::AnimeLoop(bool& done) { AnimeLoop(done, Platform.timeGetTime()); }

void TForm1::AnimeLoop(bool& done, Tick now)
{
    done = false;
    if (pace::AnimeLoopStep(Pacing, now) != pace::IdleStep::Frame) return;
    ++PacedFrames;
    AutoMove();
    ReDraw();
    Host.RepaintImage(false);
}

std::uint32_t TForm1::FrameWaitMs() { return FrameWaitMs(Platform.timeGetTime()); }
std::uint32_t TForm1::FrameWaitMs(Tick now) const { return pace::FrameWaitMs(Pacing, now); }

void TForm1::AutoMove() { figure::AutoMove(Motion, Controls, Placement, Figure, Random); }

void TForm1::ReDraw() { figure::ReDraw(Figure, Image_Title, clock_, ActivatedTick); }

}  // namespace saver
