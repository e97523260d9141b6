#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "platform/sim/sim_platform.h"
#include "saver/saver_window.h"
#include "saver/dib.h"
#include "tests/out_of_memory.h"

namespace saver {
std::size_t allocationLimit = SIZE_MAX;
}  // namespace saver

void* operator new(std::size_t size)
{
    if (size >= saver::allocationLimit) throw std::bad_alloc();
    if (void* block = std::malloc(size > 0 ? size : 1)) return block;
    throw std::bad_alloc();
}
// Not inlined: the compiler would then see free() take what new gave.
[[gnu::noinline]] void operator delete(void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace saver {
namespace {

using platform::RegistryValue;
using platform::ValueKind;
using platform::sim::SimPlatform;

struct Saver {
    SimPlatform platform;
    figure::Surface title{320, 240};
    TForm1 form;

    explicit Saver(WindowHandle parent = 0, Tick start = 30000) : form(platform, platform, parent, &title)
    {
        platform.Now = start;
        title.Fill(false);
    }
    void Start()
    {
        form.FormCreate();
        form.FormActivate();
    }
    bool Called(std::string_view call) const { return platform.Count(call) > 0; }
};

// --- creation and activation ---

TEST(FormCreate, CoversTheScreenAndCentresTheStageHalvesToEven)
{
    struct Case {
        int width, height, left, top;
    };
    for (Case c : {Case{1280, 1024, 128, 128}, {800, 600, -112, -84}, {1025, 768, 0, 0}, {1027, 771, 2, 2},
                   {1024, 768, 0, 0}}) {
        Saver s;
        s.platform.Screen = {c.width, c.height};
        s.form.FormCreate();
        EXPECT_EQ(s.form.Left, 0);
        EXPECT_EQ(s.form.Width, c.width);
        EXPECT_EQ(s.form.Height, c.height);
        EXPECT_EQ(s.form.Figure.Panel1.Left, c.left) << c.width;
        EXPECT_EQ(s.form.Figure.Panel1.Top, c.top) << c.height;
        EXPECT_EQ(s.form.Figure.Panel1.Width, 1024);
        EXPECT_TRUE(s.form.Figure.Panel1.Visible);
    }
}

TEST(FormCreate, FillsTheScreenAtItsScaleOrKeepsTheClassicStageThere)
{
    struct Case {
        int width, height, scale;
        StageMode mode;
        int stageWidth, stageHeight, left, top;
    };
    for (Case c : {Case{1920, 1080, 1, StageMode::Fill, 1920, 1080, 0, 0},
                   {3840, 2160, 2, StageMode::Fill, 1920, 1080, 0, 0},
                   {1366, 768, 2, StageMode::Fill, 1024, 768, -341, -384},
                   {1025, 769, 1, StageMode::Fill, 1026, 770, 0, 0},
                   {1920, 1080, 2, StageMode::Classic, 1024, 768, -64, -228},
                   {1920, 1080, 1, StageMode::Classic, 1024, 768, 448, 156}}) {
        Saver s;
        s.platform.Screen = {c.width, c.height};
        s.form.Screen.Scale = c.scale;
        s.form.Screen.Mode = c.mode;
        s.Start();
        const figure::TPanel& panel = s.form.Figure.Panel1;
        EXPECT_EQ(panel.Width, c.stageWidth) << c.width << " at " << c.scale;
        EXPECT_EQ(panel.Height, c.stageHeight) << c.height << " at " << c.scale;
        EXPECT_EQ(panel.Left, c.left) << c.width << " at " << c.scale;
        EXPECT_EQ(panel.Top, c.top) << c.height << " at " << c.scale;
        EXPECT_EQ(s.form.View.Scale(), c.scale);
        EXPECT_EQ(s.form.Figure.Pattern->PatternBitmap.Width(), 2 * c.stageWidth + 152);
        // The standard build's origin is the stage's centre.
        EXPECT_EQ(s.form.Figure.OriginX, c.stageWidth / 2);
        EXPECT_EQ(s.form.Figure.OriginY, c.stageHeight / 2);
    }
}

TEST(FormCreate, SeedsFromTheClockAndRaisesTheTimerResolution)
{
    Saver s(0, 123456);
    s.form.FormCreate();
    EXPECT_EQ(s.form.Random.Seed(), 123456u % 30000u);
    EXPECT_EQ(s.platform.Calls.front(), "timeBeginPeriod(1)");
    EXPECT_TRUE(s.form.IdleHandlerInstalled());
    EXPECT_FALSE(s.form.Closed);
    EXPECT_EQ(s.form.PlatformId, 2);
    EXPECT_TRUE(s.Called("DisableIme"));
}

TEST(FormCreate, TellsOnlyThe9xFamilyThatASaverRuns)
{
    Saver nt;
    nt.Start();
    nt.form.Close();
    EXPECT_EQ(nt.platform.Count("SystemParametersInfoA(97,1)") + nt.platform.Count("SystemParametersInfoA(97,0)"), 0);

    Saver old;
    old.platform.PlatformId = 1;
    old.Start();
    EXPECT_EQ(old.platform.Count("SystemParametersInfoA(97,1)"), 1);
    old.form.Close();
    EXPECT_EQ(old.platform.Count("SystemParametersInfoA(97,0)"), 1);
}

TEST(FormCreate, AFailedVersionQueryClosesTheSaverBeforeAnythingElse)
{
    Saver s;
    s.platform.PlatformId = std::nullopt;
    s.Start();
    EXPECT_TRUE(s.form.Closed);
    EXPECT_TRUE(s.Called("Terminate"));
    EXPECT_FALSE(s.form.Figure.SurfacesCreated);
    EXPECT_FALSE(s.form.IdleHandlerInstalled());
    EXPECT_TRUE(s.platform.CreatedKeys.empty());  // no settings read
    EXPECT_FALSE(s.Called("HideApplicationWindow"));
}

// --- the other monitors ---

TEST(Covers, TheSaverLaysThemOutAtCreationAndAgainWhenMonitorsChangeThePreviewNever)
{
    Saver s;
    s.platform.Screen = {1280, 1024};
    s.platform.MonitorList = {{{0, 0, 1280, 1024}, true}, {{1280, 0, 2304, 768}, false}};
    s.Start();
    ASSERT_EQ(s.form.Covers.size(), 1u);
    EXPECT_EQ(s.form.Covers[0], (platform::Rect{1280, 0, 2304, 768}));
    EXPECT_EQ(s.form.Figure.Panel1.Left, 128) << "the stage stays on the primary";
    s.platform.MonitorList.push_back({{-800, 0, 0, 600}, false});
    s.form.LayOutCovers();
    EXPECT_EQ(s.form.Covers.size(), 2u);
    s.platform.MonitorList.resize(1);
    s.form.LayOutCovers();
    EXPECT_TRUE(s.form.Covers.empty());

    Saver preview(4242);
    preview.platform.Windows[4242] = {0, 0, 152, 112};
    preview.platform.MonitorList = s.platform.MonitorList;
    preview.platform.MonitorList.push_back({{1280, 0, 2304, 768}, false});
    preview.Start();
    EXPECT_TRUE(preview.form.Covers.empty());
}

TEST(FormActivate, BuildsTheFigureAndShowsTheFirstFrameOnce)
{
    Saver s(0, 40000);
    s.Start();
    EXPECT_TRUE(s.form.Activated);
    EXPECT_EQ(s.form.ActivatedTick, 40000u);
    EXPECT_TRUE(s.Called("HideApplicationWindow"));
    EXPECT_EQ(s.form.Figure.Image1.Picture, &s.form.Figure.FrameBitmap);
    EXPECT_EQ(s.platform.Repaints, 1);
    // The first frame comes before any placement.
    EXPECT_EQ(s.form.Figure.Image1.Left, -588);
    EXPECT_EQ(s.form.Figure.SecondX, 0);
    s.platform.Now = 90000;
    s.form.FormActivate();
    EXPECT_EQ(s.form.ActivatedTick, 40000u);
    EXPECT_EQ(s.platform.Repaints, 1);
}

TEST(FormActivate, LeavesTheStartStateTheSimulatorStartsFrom)
{
    Saver s;
    s.Start();
    const TForm1& f = s.form;
    EXPECT_EQ(f.Figure.OriginX, 512);
    EXPECT_EQ(f.Figure.OriginY, 384);
    EXPECT_EQ(f.Figure.OriginLeft, -588);
    EXPECT_EQ(f.Figure.OriginTop, -466);
    EXPECT_EQ(f.Figure.SecondY, 0);
    EXPECT_EQ(f.Placement.Centre1X, 0);
    EXPECT_EQ(f.Placement.Centre2Y, 0);
    EXPECT_EQ(f.Motion.MoveState, 0);
    EXPECT_TRUE(f.Motion.NewLeg);
    EXPECT_EQ(f.Motion.LegSteps, 0);
    EXPECT_EQ(f.Controls.Edit_MoveX.Text, "-2");
    EXPECT_EQ(f.Controls.Edit_MoveY.Text, "0");
    EXPECT_EQ(f.Pacing.SleepTime, 20u);
}

// --- settings ---

TEST(Settings, SleepTimeComesFromItsTextOrFallsBackToTwenty)
{
    auto read = [](std::optional<RegistryValue> value) {
        Saver s;
        if (value) s.platform.SetValue(kSettingsKey, kSleepTimeValue, *value);
        s.form.FormCreate();
        return s.form.Pacing.SleepTime;
    };
    EXPECT_EQ(read(std::nullopt), 20u);
    EXPECT_EQ(read(RegistryValue{ValueKind::Text, "5", 0}), 5u);
    EXPECT_EQ(read(RegistryValue{ValueKind::Text, "0", 0}), 0u);
    EXPECT_EQ(read(RegistryValue{ValueKind::Text, "1000", 0}), 1000u);
    EXPECT_EQ(read(RegistryValue{ValueKind::Text, "abc", 0}), 20u);
    EXPECT_EQ(read(RegistryValue{ValueKind::Text, "-5", 0}), 20u);
    EXPECT_EQ(read(RegistryValue{ValueKind::Text, "", 0}), 20u);
    // The largest text an integer holds is taken; past it the text holds no
    // integer, like "abc" (the huge interval's own rule is in the pacing tests).
    EXPECT_EQ(read(RegistryValue{ValueKind::Text, "2147483647", 0}), 2147483647u);
    EXPECT_EQ(read(RegistryValue{ValueKind::Text, "4294967295", 0}), 20u);
    EXPECT_EQ(read(RegistryValue{ValueKind::Dword, "", 0xFFFFFFFFu}), 0xFFFFFFFFu);
    EXPECT_EQ(read(RegistryValue{ValueKind::Dword, "", 35}), 35u);
    EXPECT_EQ(read(RegistryValue{ValueKind::Other, "", 0}), 20u);
}

TEST(Settings, TheStageFillsEveryScreenOnlyForTheTextFillInAnyCase)
{
    for (const char* fill : {"fill", "FILL", "Fill", "fILl"})
        EXPECT_EQ(StageModeFrom({ValueKind::Text, fill, 0}), StageMode::Fill) << fill;
    for (const char* other : {"", "classic", "fill ", " fill", "fills", "f", "1"})
        EXPECT_EQ(StageModeFrom({ValueKind::Text, other, 0}), StageMode::Classic) << other;
    EXPECT_EQ(StageModeFrom({ValueKind::Dword, "", 1}), StageMode::Classic);
    EXPECT_EQ(StageModeFrom({ValueKind::NoValue, "", 0}), StageMode::Classic);
    EXPECT_EQ(StageModeFrom({ValueKind::NoKey, "", 0}), StageMode::Classic);
}

TEST(Settings, OnlyTheMakersKeyIsEverCreated)
{
    Saver s;
    s.Start();
    s.form.Close();
    EXPECT_EQ(s.platform.CreatedKeys, (std::set<std::string>{"software\\tavrenholm"}));
    EXPECT_FALSE(s.platform.KeyExists(kSettingsKey));
    Saver again;
    again.platform.CreateKey(kMakerKey);
    again.platform.CreatedKeys.clear();
    again.Start();
    EXPECT_TRUE(again.platform.CreatedKeys.empty());
}

// --- preview ---

TEST(Preview, MakesOnlyThePatternAndFrameSurfacesItNeverComposesInto)
{
    Saver preview(4242);
    preview.platform.Windows[4242] = {0, 0, 152, 112};
    preview.Start();
    EXPECT_TRUE(preview.form.Figure.SurfacesCreated);
    EXPECT_EQ(preview.form.Figure.Pattern->PatternBitmap.Width(), 2200);
    EXPECT_EQ(preview.form.Figure.FrameBitmap.Width(), 2200);
    EXPECT_EQ(preview.form.Figure.Pattern->PatternShifts[0].Width(), 0) << "no copies for frames that never come";
    EXPECT_EQ(preview.form.Figure.Image1Picture.Width(), 0);
}

TEST(Preview, SizesItselfToTheParentAndCentresTheStill)
{
    Saver s(4242);
    s.platform.Windows[4242] = {10, 20, 162, 132};  // 152 x 112
    s.form.FormCreate();
    EXPECT_EQ(s.form.Width, 152);
    EXPECT_EQ(s.form.Height, 112);
    EXPECT_FALSE(s.form.Figure.Panel1.Visible);
    EXPECT_TRUE(s.Called("DrawSamplePicture(-16,-10)"));
    EXPECT_FALSE(s.Called("GetVersionExA"));
    EXPECT_EQ(s.form.PlatformId, 0);
    EXPECT_FALSE(s.form.IdleHandlerInstalled());
    EXPECT_TRUE(s.form.Figure.SurfacesCreated);
    s.form.FormActivate();
    EXPECT_EQ(s.platform.Repaints, 0);  // no frame is composed in the preview
    EXPECT_TRUE(s.form.Activated);
}

TEST(Preview, TheStillIsCentredByRoundingHalvesToEven)
{
    auto at = [](int w, int h) { Point p = SamplePosition(w, h); return std::pair{p.X, p.Y}; };
    EXPECT_EQ(at(152, 112), std::pair(-16, -10));
    EXPECT_EQ(at(184, 133), std::pair(0, 0));
    EXPECT_EQ(at(185, 134), std::pair(0, 0));    // -0.5 goes to 0
    EXPECT_EQ(at(187, 136), std::pair(2, 2));    // -1.5 goes to -2
    EXPECT_EQ(at(1280, 1024), std::pair(548, 446));
}

TEST(Preview, DoubleClicksAndPaintsDoNotEndIt)
{
    Saver s(4242);
    s.platform.Windows[4242] = {0, 0, 152, 112};
    s.form.FormCreate();
    s.form.Image1DblClick();
    s.form.FormPaint();
    EXPECT_FALSE(s.form.Closed);
    EXPECT_EQ(s.platform.Count("DrawSamplePicture(-16,-10)"), 2);
}

// --- window parameters and system commands ---

TEST(CreateParams, MakesTheSaverTopmostAndThePreviewADisabledChild)
{
    Saver full;
    CreateParamsRecord p = StandardFormParams();
    full.form.CreateParams(p);
    EXPECT_EQ(p.ExStyle & style::kExTopmost, style::kExTopmost);
    EXPECT_EQ(p.Style, StandardFormParams().Style);
    EXPECT_EQ(p.ClassStyle, style::kDoubleClicks);
    EXPECT_EQ(p.WndParent, 0u);
    EXPECT_EQ(p.Caption, "screen saver");

    Saver preview(0x00010ABC);
    CreateParamsRecord q = StandardFormParams();
    preview.form.CreateParams(q);
    EXPECT_EQ(q.Style, 0x58000000u);
    EXPECT_EQ(q.ClassStyle, 0x80u);
    EXPECT_EQ(q.WndParent, 0x00010ABCu);
    EXPECT_EQ(q.ExStyle & style::kExTopmost, 0u);
}

TEST(WMSysCommand, AnswersTheScreenSaveCommandWithOneAndPassesTheRest)
{
    Saver s;
    std::intptr_t result = 0;
    EXPECT_TRUE(s.form.WMSysCommand(0xF140, result));
    EXPECT_EQ(result, 1);
    result = 0;
    EXPECT_FALSE(s.form.WMSysCommand(0xF141, result));
    EXPECT_FALSE(s.form.WMSysCommand(0xF060, result));
    EXPECT_EQ(result, 0);
}

// --- ending ---

TEST(Keys, AnyKeyEndsTheSaver)
{
    for (std::uint16_t key : {16, 17, 112, 65, 13, 27, 67, 81}) {
        Saver s;
        s.Start();
        s.form.FormKeyDown(key);
        EXPECT_TRUE(s.form.Closed) << key;
        EXPECT_FALSE(s.form.IdleHandlerInstalled());
        EXPECT_GE(s.platform.Count("Terminate"), 1);
    }
}

TEST(Keys, EscRequestsClosingTwiceAndTheLettersSteerTheDrift)
{
    Saver s;
    s.Start();
    s.form.FormKeyDown(27);
    EXPECT_EQ(s.platform.Count("Terminate"), 2);
    struct Case {
        std::uint16_t key;
        const char* x;
        const char* y;
    };
    for (Case c : {Case{67, "1", "0"}, {90, "-1", "0"}, {83, "-2", "-1"}, {88, "-2", "1"}, {81, "-2", "0"}}) {
        Saver k;
        k.Start();
        k.form.Controls.Edit_MoveY.Text = "0";
        k.form.FormKeyDown(c.key);
        EXPECT_EQ(k.form.Controls.Edit_MoveX.Text, c.x) << c.key;
        EXPECT_EQ(k.form.Controls.Edit_MoveY.Text, c.y) << c.key;
        k.form.FormKeyUp(c.key);
        bool movesX = c.key == 67 || c.key == 90, movesY = c.key == 83 || c.key == 88;
        EXPECT_EQ(k.form.Controls.Edit_MoveX.Text, movesX ? "0" : c.x) << c.key;
        EXPECT_EQ(k.form.Controls.Edit_MoveY.Text, movesY ? "0" : c.y) << c.key;
    }
}

TEST(Keys, QFiresTheUndoButton)
{
    Saver s;
    s.Start();
    int clicks = 0;
    s.form.Btn_Undo.OnClick = [&] { ++clicks; };
    s.form.FormKeyDown(81);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(s.form.Closed);
}

TEST(Mouse, ADoubleClickOnTheImageEndsTheSaverAndMovesNeverDo)
{
    Saver s;
    s.Start();
    s.platform.Now += 10000;
    for (int i = 0; i < 100; ++i) s.form.Image1MouseMove(100 + i, 200);
    s.form.FormMouseMove(5, 5);
    s.form.Image1MouseDown(figure::MouseButton::Left, 10, 10);
    EXPECT_FALSE(s.form.Closed);
    s.form.Image1DblClick();
    EXPECT_TRUE(s.form.Closed);
}

TEST(Close, NoPacedFrameFollowsOnceTheSaverHasClosed)
{
    Saver s;
    s.Start();
    s.form.FormKeyDown(65);
    EXPECT_FALSE(s.form.IdleHandlerInstalled());
    EXPECT_TRUE(s.Called("HideForm"));
    s.form.FormDestroy();
    EXPECT_EQ(s.platform.Calls.back(), "timeEndPeriod(1)");
}

TEST(Close, EveryTimerResolutionEndHasItsBeginAndComesOnce)
{
    Saver never;  // destroyed without being created: a window that failed
    never.form.FormDestroy();
    EXPECT_EQ(never.platform.Count("timeEndPeriod(1)"), 0);

    Saver s;
    s.Start();
    s.form.FormKeyDown(65);
    s.form.FormDestroy();
    s.form.FormDestroy();
    EXPECT_EQ(s.platform.Count("timeBeginPeriod(1)"), 1);
    EXPECT_EQ(s.platform.Count("timeEndPeriod(1)"), 1);
}

// --- out of memory for the surfaces ---

// What the user sees of a saver without surfaces: a black stage that never
// changes, and a key that ends it.
void ExpectBlackUntilAKey(Saver& s, const char* when)
{
    EXPECT_FALSE(s.form.Figure.SurfacesCreated) << when;
    EXPECT_EQ(s.form.Figure.Image1.Picture, nullptr) << "nothing to paint but black, " << when;
    EXPECT_FALSE(s.form.Closed) << "the saver goes on, " << when;
    EXPECT_FALSE(s.Called("Terminate")) << when;
    EXPECT_FALSE(s.form.IdleHandlerInstalled()) << "no frames, " << when;
    const int repaints = s.platform.Repaints;
    for (int i = 0; i < 30; ++i) s.form.Image1MouseMove(500, 400);  // enough to steer a figure
    s.form.Image1MouseDown(figure::MouseButton::Left, 10, 10);
    EXPECT_EQ(s.platform.Repaints, repaints) << when;
    s.form.FormKeyDown(65);
    EXPECT_TRUE(s.form.Closed) << when;
    EXPECT_TRUE(s.Called("Terminate")) << when;
}

TEST(Surfaces, WithoutMemoryForThemAtCreationTheStageStaysBlackAndAKeyEndsTheSaver)
{
    Saver s;
    s.platform.MonitorList = {{{0, 0, 1024, 768}, true}, {{1024, 0, 2048, 768}, false}};
    {
        OutOfMemory limit;
        EXPECT_NO_THROW(s.form.FormCreate());
    }
    EXPECT_EQ(s.form.Covers.size(), 1u) << "the rest of the saver goes on";
    EXPECT_EQ(s.form.Pacing.SleepTime, kDefaultSleepTime);
    s.form.FormActivate();
    EXPECT_TRUE(s.form.Activated);
    ExpectBlackUntilAKey(s, "after creation");
}

TEST(Surfaces, AreAllMadeAtCreationSoActivationAndFramesNeedNoMoreMemory)
{
    Saver s;
    s.form.Screen.Mode = StageMode::Fill;
    s.platform.Screen = {1920, 1080};
    s.form.FormCreate();
    ASSERT_TRUE(s.form.Figure.SurfacesCreated);
    {
        OutOfMemory limit;  // nothing larger than 100,000 bytes from here on
        EXPECT_NO_THROW(s.form.FormActivate());
        bool done;
        for (int i = 0; i < 50; ++i) {
            s.platform.Now += 20;
            EXPECT_NO_THROW(s.form.AnimeLoop(done));
        }
    }
    EXPECT_TRUE(s.form.Figure.SurfacesCreated);
    EXPECT_EQ(s.form.Figure.Image1.Picture, &s.form.Figure.FrameBitmap);
    EXPECT_EQ(s.form.PacedFrames, 50u);
}

TEST(Surfaces, ThatCannotBeMadeForANewSizeLeaveTheStageBlackAndAKeyEndsTheSaver)
{
    Saver s;
    s.form.Screen.Mode = StageMode::Fill;
    s.Start();
    s.form.Resize(1600, 1000);
    {
        OutOfMemory limit;
        EXPECT_NO_THROW(s.form.Restage());
    }
    EXPECT_FALSE(s.form.Figure.SurfacesCreated);
    EXPECT_FALSE(s.form.IdleHandlerInstalled());
    // The next size that can be made brings the figure and its frames back.
    s.form.Resize(1800, 1000);
    s.form.Restage();
    EXPECT_TRUE(s.form.Figure.SurfacesCreated);
    EXPECT_TRUE(s.form.IdleHandlerInstalled());
    const std::uint64_t frames = s.form.PacedFrames;
    bool done;
    for (int i = 0; i < 5; ++i) {
        s.platform.Now += 20;
        s.form.AnimeLoop(done);
    }
    EXPECT_EQ(s.form.PacedFrames, frames + 5);
    s.form.Resize(1600, 1000);
    {
        OutOfMemory limit;
        s.form.Restage();
    }
    ExpectBlackUntilAKey(s, "after a new size");
}

// --- a new resolution ---

TEST(DisplayChange, TheWindowCoversTheNewPrimaryWithTheStageCentredAndTheCoversFollow)
{
    Saver s;
    s.platform.Screen = {1280, 1024};
    s.platform.MonitorList = {{{0, 0, 1280, 1024}, true}, {{1280, 0, 2304, 768}, false}};
    s.Start();
    s.platform.Screen = {1601, 1200};
    s.platform.MonitorList = {{{0, 0, 1601, 1200}, true}, {{1601, 0, 2625, 768}, false}};
    s.form.DisplayChanged();
    EXPECT_EQ(s.form.Left, 0);
    EXPECT_EQ(s.form.Top, 0);
    EXPECT_EQ(s.form.Width, 1601);
    EXPECT_EQ(s.form.Height, 1200);
    EXPECT_EQ(s.form.Figure.Panel1.Left, 288) << "(1601 - 1024) / 2 = 288.5, halves to even";
    EXPECT_EQ(s.form.Figure.Panel1.Top, 216);
    EXPECT_EQ(s.form.Covers, (std::vector<platform::Rect>{{1601, 0, 2625, 768}}));
    // Smaller than the stage: cut equally on both sides.
    s.platform.Screen = {800, 600};
    s.form.DisplayChanged();
    EXPECT_EQ(s.form.Figure.Panel1.Left, -112);
    EXPECT_EQ(s.form.Figure.Panel1.Top, -84);
    // A new DPI: at scale 2 the classic stage is 2048 x 1536 screen pixels.
    s.form.DisplayChanged({}, 2);
    EXPECT_EQ(s.form.View.Scale(), 2);
    EXPECT_EQ(s.form.Figure.Panel1.Width, 1024);
    EXPECT_EQ(s.form.Figure.Panel1.Left, -624);

    // A fill stage follows its monitor's new size with new surfaces.
    Saver fill;
    fill.form.Screen = {{1920, 0, 3200, 1024}, 1, StageMode::Fill};
    fill.Start();
    fill.form.DisplayChanged({1920, 0, 3840, 1200}, 1);
    EXPECT_EQ(fill.form.Left, 1920);
    EXPECT_EQ(fill.form.Figure.Panel1.Width, 1920);
    EXPECT_EQ(fill.form.Figure.Panel1.Height, 1200);
    EXPECT_EQ(fill.form.Figure.Pattern->PatternBitmap.Width(), 2 * 1920 + 152);
    EXPECT_TRUE(fill.form.Covers.empty());

    // The preview keeps its parent's size; a closed saver stays as it was.
    Saver preview(4242);
    preview.platform.Windows[4242] = {0, 0, 152, 112};
    preview.Start();
    preview.platform.Screen = {1600, 1200};
    preview.form.DisplayChanged();
    EXPECT_EQ(preview.form.Width, 152);
    s.form.FormKeyDown(65);
    s.platform.Screen = {1920, 1080};
    s.form.DisplayChanged();
    EXPECT_EQ(s.form.Width, 800);
}

// --- the password of the 9x family ---

struct PasswordCase : Saver {
    PasswordCase()
    {
        platform.PlatformId = 1;
        platform.SetValue("Control Panel\\desktop", "ScreenSaveUsePassword", {ValueKind::Dword, "", 1});
        platform.PasswordVerdict = platform::PasswordAnswer::Refused;
        Start();
        form.Handle = 777;
    }
};

TEST(Password, ASetPasswordIsAskedForBeforeThe9xSaverCloses)
{
    PasswordCase s;
    s.form.FormKeyDown(65);
    EXPECT_FALSE(s.form.Closed);
    EXPECT_TRUE(s.Called("ShowCursor(1)"));
    EXPECT_TRUE(s.Called("VerifyScreenSavePwd(C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL,777)"));
    s.platform.PasswordVerdict = platform::PasswordAnswer::Allowed;
    s.form.FormKeyDown(65);
    EXPECT_TRUE(s.form.Closed);
    EXPECT_EQ(s.platform.Count("SystemParametersInfoA(97,0)"), 1);
}

TEST(Password, OneEscPressAsksAtMostOnce)
{
    PasswordCase refused;
    refused.form.FormKeyDown(27);
    EXPECT_EQ(refused.platform.Count("VerifyScreenSavePwd(C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL,777)"), 1);
    EXPECT_FALSE(refused.form.Closed);

    PasswordCase allowed;
    allowed.platform.PasswordVerdict = platform::PasswordAnswer::Allowed;
    allowed.form.FormKeyDown(27);
    EXPECT_EQ(allowed.platform.Count("VerifyScreenSavePwd(C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL,777)"), 1);
    EXPECT_TRUE(allowed.form.Closed);
}

TEST(Password, AppendsABackslashOnlyWhenTheSystemFolderLacksOne)
{
    PasswordCase s;
    s.platform.SystemDirectory = "D:\\";
    s.form.FormKeyDown(65);
    EXPECT_TRUE(s.Called("VerifyScreenSavePwd(D:\\PASSWORD.CPL,777)"));
}

TEST(Password, ClosesWhereverNoPasswordCanBeAsked)
{
    struct Case {
        const char* what;
        std::optional<RegistryValue> use;
        platform::PasswordAnswer verdict;
    };
    for (Case c : {Case{"value 0", RegistryValue{ValueKind::Dword, "", 0}, platform::PasswordAnswer::Refused},
                   {"no value", std::nullopt, platform::PasswordAnswer::Refused},
                   {"not an integer", RegistryValue{ValueKind::Other, "", 0}, platform::PasswordAnswer::Refused},
                   {"text not an integer", RegistryValue{ValueKind::Text, "yes", 0}, platform::PasswordAnswer::Refused},
                   {"no library", RegistryValue{ValueKind::Dword, "", 1}, platform::PasswordAnswer::NotLoaded},
                   {"no entry point", RegistryValue{ValueKind::Dword, "", 1}, platform::PasswordAnswer::NoEntry}}) {
        Saver s;
        s.platform.PlatformId = 1;
        if (c.use) s.platform.SetValue("Control Panel\\desktop", "ScreenSaveUsePassword", *c.use);
        s.platform.PasswordVerdict = c.verdict;
        s.Start();
        s.form.FormKeyDown(65);
        EXPECT_TRUE(s.form.Closed) << c.what;
    }
    // The NT family never asks.
    PasswordCase nt;
    nt.form.PlatformId = 2;
    nt.form.FormKeyDown(65);
    EXPECT_TRUE(nt.form.Closed);
    EXPECT_FALSE(nt.Called("ShowCursor(1)"));
}

// --- frames and steering through the window ---

TEST(AnimeLoop, MakesOneFramePerIntervalAndNoneWhileTheMouseSteers)
{
    Saver s;
    s.Start();
    bool done = true;
    int repaints = s.platform.Repaints;
    s.form.AnimeLoop(done);
    EXPECT_FALSE(done);
    EXPECT_EQ(s.platform.Repaints, repaints + 1);
    // Right after a frame the host waits the whole interval.
    EXPECT_EQ(s.form.FrameWaitMs(), 20u);
    s.platform.Now += 19;
    s.form.AnimeLoop(done);
    EXPECT_EQ(s.platform.Repaints, repaints + 1);
    EXPECT_EQ(s.form.FrameWaitMs(), 1u);
    s.platform.Now += 1;
    s.form.AnimeLoop(done);
    EXPECT_EQ(s.platform.Repaints, repaints + 2);
}

TEST(Steering, TwentyMovesPutCentreTwoUnderThePointerAndTheMotionResumesAfterTheHold)
{
    Saver s;
    s.Start();
    bool done;
    s.platform.Now += 4499;
    s.form.Image1MouseMove(1, 1);  // the title time: dropped
    EXPECT_EQ(s.form.Steering.MouseMoveCount, 0);
    s.platform.Now += 1;
    for (int i = 0; i < 19; ++i) s.form.Image1MouseMove(600, 500);
    EXPECT_FALSE(s.form.Pacing.MouseSteering);
    EXPECT_EQ(s.platform.ImmediateRepaints, 0);
    // The 20th move at image point (600, 500): the pointer at panel point
    // (600 + Left, 500 + Top).
    int left = s.form.Figure.Image1.Left, top = s.form.Figure.Image1.Top;
    s.form.Motion.MoveState = figure::kOrbit;
    s.form.Image1MouseMove(600, 500);
    EXPECT_TRUE(s.form.Pacing.MouseSteering);
    EXPECT_EQ(s.form.Placement.Centre2X, std::clamp(600 + left, 0, 1024));
    EXPECT_EQ(s.form.Placement.Centre2Y, std::clamp(500 + top, 0, 768));
    EXPECT_EQ(s.form.Motion.MoveState, 0);
    EXPECT_TRUE(s.form.Motion.NewLeg);
    EXPECT_EQ(s.platform.ImmediateRepaints, 1);
    // Steering to the origin lays the copies on each other.
    s.form.Image1MouseMove(512 - s.form.Figure.Image1.Left, 384 - s.form.Figure.Image1.Top);
    EXPECT_EQ(s.form.Figure.SecondX, s.form.Figure.Image1.Left);
    EXPECT_EQ(s.form.Figure.SecondY, s.form.Figure.Image1.Top);
    // No paced frame while it steers; one in the call that ends the hold.
    int repaints = s.platform.Repaints;
    s.platform.Now += 5000;
    s.form.AnimeLoop(done);
    EXPECT_EQ(s.platform.Repaints, repaints);
    s.platform.Now += 1;
    s.form.AnimeLoop(done);
    EXPECT_EQ(s.platform.Repaints, repaints + 1);
    EXPECT_FALSE(s.form.Pacing.MouseSteering);
}

TEST(Restage, AFillStageFollowsTheWindowsNewSizeAndTheMotionGoesOnAboutTheNewOrigin)
{
    Saver s;
    s.platform.Screen = {1600, 900};
    s.form.Screen.Mode = StageMode::Fill;
    s.Start();
    bool done;
    for (int i = 0; i < 300; ++i) {
        s.platform.Now += 20;
        s.form.AnimeLoop(done);
    }
    const figure::Placement before = s.form.Placement;
    // A drag: the same stage centred on every size it passes through.
    s.form.Resize(1700, 950);
    EXPECT_EQ(s.form.Figure.Panel1.Width, 1600);
    EXPECT_EQ(s.form.Figure.Panel1.Left, 50);
    EXPECT_TRUE(s.form.WantsAnotherStage());
    s.form.Resize(1800, 1000);
    s.form.Restage();
    EXPECT_FALSE(s.form.WantsAnotherStage());
    const figure::FigureState& f = s.form.Figure;
    EXPECT_EQ(f.Panel1.Width, 1800);
    EXPECT_EQ(f.Panel1.Height, 1000);
    EXPECT_EQ(f.Panel1.Left, 0);
    EXPECT_EQ(f.Pattern->PatternBitmap.Width(), 3752);
    EXPECT_EQ(f.OriginX, 900);
    EXPECT_EQ(f.OriginY, 500);
    EXPECT_EQ(f.Edit1.Text, "110");
    EXPECT_EQ(s.form.Placement.Centre2X, before.Centre2X + 100);
    EXPECT_EQ(s.form.Placement.Centre2Y, before.Centre2Y + 50);
    EXPECT_EQ(s.form.Motion.MoveState, figure::kApproach);
    EXPECT_TRUE(s.form.Motion.NewLeg);
    EXPECT_EQ(f.Image1.Picture, &f.FrameBitmap);  // the new stage shows at once
    // The title stays gone, and the frames go on within the new surfaces.
    const Tick activated = s.form.ActivatedTick;
    for (int i = 0; i < 5000; ++i) {
        s.platform.Now += 20;
        s.form.AnimeLoop(done);
        ASSERT_GE(f.Image1.Left, -1800 - 76);
        ASSERT_LE(f.Image1.Left, -76);
        ASSERT_GE(f.SecondY, -1000 - 82);
        ASSERT_LE(f.SecondY, -82);
    }
    EXPECT_EQ(s.form.ActivatedTick, activated);
    EXPECT_EQ(s.form.PacedFrames, 5300u);

    // The classic stage never changes with the window.
    Saver classic;
    classic.Start();
    classic.form.Resize(1800, 1000);
    EXPECT_FALSE(classic.form.WantsAnotherStage());
    EXPECT_EQ(classic.form.Figure.Panel1.Left, 388);
}

// --- the title picture's format ---

TEST(Dib, ReadsAOneBitPictureByColour)
{
    // A 3 x 2 DIB, bottom row first, colour entry 0 white and entry 1 black.
    std::vector<std::uint8_t> dib(40 + 8 + 8, 0);
    dib[0] = 40;
    dib[4] = 3;
    dib[8] = 2;
    dib[12] = 1;
    dib[14] = 1;
    dib[40] = dib[41] = dib[42] = 0xFF;  // entry 0 white
    dib[48] = 0b01000000;                // bottom row: white, black, white
    dib[52] = 0b10100000;                // top row: black, white, black
    auto surface = DecodeOneBitDib(dib.data(), dib.size());
    ASSERT_TRUE(surface);
    EXPECT_FALSE(surface->IsWhite(0, 0));
    EXPECT_TRUE(surface->IsWhite(1, 0));
    EXPECT_TRUE(surface->IsWhite(0, 1));
    EXPECT_FALSE(surface->IsWhite(1, 1));
    EXPECT_FALSE(DecodeOneBitDib(dib.data(), dib.size() - 1));  // cut short
    dib[14] = 24;
    EXPECT_FALSE(DecodeOneBitDib(dib.data(), dib.size()));
}

}  // namespace
}  // namespace saver
