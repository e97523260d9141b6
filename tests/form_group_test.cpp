// Several saver windows in one process, one per monitor, on the simulated
// platform: what the process does once happens once, one clock reading
// serves every form's frame clock, and one close request closes them all.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "platform/sim/sim_platform.h"
#include "saver/form_group.h"
#include "saver/saver_window.h"

namespace saver {
namespace {

using platform::PasswordAnswer;
using platform::RegistryValue;
using platform::ValueKind;
using platform::sim::SimPlatform;

// Three monitors side by side, every form filling its own.
struct Desktop {
    SimPlatform platform;
    figure::Surface title{320, 240};
    FormGroup group;
    std::vector<std::unique_ptr<TForm1>> forms;

    explicit Desktop(std::int32_t platformId = 2, Tick start = 123457,
                     std::vector<platform::Rect> areas = {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}, {-1024, 0, 0, 768}})
    {
        title.Fill(false);
        platform.Now = start;
        platform.PlatformId = platformId;
        for (int k = 0; k < int(areas.size()); ++k) {
            forms.push_back(std::make_unique<TForm1>(platform, platform, 0, &title));
            TForm1& form = *forms.back();
            form.Screen = {areas[std::size_t(k)], 1, StageMode::Fill};
            form.Handle = WindowHandle(700 + k);
            group.Add(form, k);
            form.FormCreate();
        }
    }
    TForm1& operator[](std::size_t k) { return *forms[k]; }
};

TEST(FormGroup, DoesWhatTheProcessDoesOnceOnlyForThePrimary)
{
    Desktop d(1);
    d.platform.SetValue(kSettingsKey, kSleepTimeValue, {ValueKind::Text, "35", 0});
    EXPECT_EQ(d.platform.Count("timeBeginPeriod(1)"), 1);
    EXPECT_EQ(d.platform.Count("GetVersionExA"), 1);
    EXPECT_EQ(d.platform.Count("SystemParametersInfoA(97,1)"), 1);
    EXPECT_EQ(d.platform.Count("DisableIme"), 3);  // one for every window
    EXPECT_EQ(d[0].PlatformId, 1);
    EXPECT_EQ(d[1].PlatformId, 0);
    for (auto& f : d.forms) EXPECT_TRUE(f->Covers.empty());  // every monitor has its own form
    // Each window is its monitor, each stage fills it.
    EXPECT_EQ(d[1].Left, 1920);
    EXPECT_EQ(d[1].Width, 1280);
    EXPECT_EQ(d[1].Figure.Panel1.Width, 1280);
    EXPECT_EQ(d[1].Figure.Panel1.Height, 1024);
    EXPECT_EQ(d[2].Left, -1024);
    EXPECT_EQ(d[2].Figure.Panel1.Width, 1024);
    EXPECT_EQ(d[0].Figure.Panel1.Width, 1920);
    EXPECT_EQ(d[0].Figure.Panel1.Left, 0);

    d.group.Activate();
    EXPECT_EQ(d.platform.Count("HideApplicationWindow"), 1);
    for (auto& f : d.forms) d.group.Remove(*f), f->FormDestroy();
    EXPECT_EQ(d.platform.Count("timeEndPeriod(1)"), 1);
}

TEST(FormGroup, ReadsTheSettingOnceAndSeedsEveryMonitorFromThePrimarysSeed)
{
    SimPlatform platform;
    platform.SetValue(kSettingsKey, kSleepTimeValue, {ValueKind::Text, "35", 0});
    platform.Now = 123457;  // seed 3457
    figure::Surface title(320, 240);
    FormGroup group;
    TForm1 primary(platform, platform, 0, &title), second(platform, platform, 0, &title),
        third(platform, platform, 0, &title);
    group.Add(primary, 0);
    primary.FormCreate();
    platform.Now = 200000;  // a later reading changes no monitor's seed
    group.Add(second, 1);
    second.FormCreate();
    group.Add(third, 4);
    third.FormCreate();
    EXPECT_EQ(platform.CreatedKeys.size(), 1u);
    for (TForm1* f : {&primary, &second, &third}) EXPECT_EQ(f->Pacing.SleepTime, 35u);
    EXPECT_EQ(primary.Random.Seed(), 3457u);
    EXPECT_EQ(second.Random.Seed(), (3457u + 7919u) % 30000u);
    EXPECT_EQ(third.Random.Seed(), (3457u + 4u * 7919u) % 30000u);
}

TEST(FormGroup, ActivatesEveryFormWithThePrimarysTickAndPacesThemOnOneReading)
{
    Desktop d;
    d.platform.StepPerReading = 3;  // the clock moves on while handlers run
    d[2].FormActivate();            // a secondary activated first brings the primary along
    d.group.Activate();
    for (auto& f : d.forms) {
        EXPECT_TRUE(f->Activated);
        EXPECT_EQ(f->ActivatedTick, d[0].ActivatedTick);
    }
    d.platform.StepPerReading = 0;
    std::set<std::string> traces;
    const Tick end = d.platform.Now + 8000;  // 400 frames of 20 ms
    while (d.platform.Now < end) {
        const Tick now = d.platform.Now;
        const std::uint32_t wait = d.group.FrameWaitMs(now);
        if (wait == 0) {
            d.group.AnimeLoop(now);
            for (auto& f : d.forms) EXPECT_EQ(f->Pacing.LastFrameTick, now);
        }
        d.platform.Now += std::max<std::uint32_t>(wait, 1);
    }
    for (auto& f : d.forms) {
        EXPECT_EQ(f->PacedFrames, d[0].PacedFrames);
        EXPECT_GE(f->PacedFrames, 399u);
        traces.insert(std::to_string(f->Placement.Centre2X) + "," + std::to_string(f->Placement.Centre2Y) + "," +
                      std::to_string(f->Motion.MoveState));
    }
    EXPECT_EQ(traces.size(), 3u) << "every monitor has a motion of its own";
}

TEST(FormGroup, AKeyOnAnyMonitorAsksTheCloseQueryOnceAndClosesEveryForm)
{
    Desktop d(1);
    d.platform.SetValue("Control Panel\\desktop", "ScreenSaveUsePassword", {ValueKind::Dword, "", 1});
    d.platform.PasswordVerdict = PasswordAnswer::Refused;
    d.group.Activate();
    const std::string verify = "VerifyScreenSavePwd(C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL,700)";
    d[1].FormKeyDown(27);  // Esc asks twice, the password once: with the primary's window
    EXPECT_EQ(d.platform.Count(verify), 1);
    for (auto& f : d.forms) EXPECT_FALSE(f->Closed);
    EXPECT_EQ(d.platform.Count("Terminate"), 0);

    d.platform.PasswordVerdict = PasswordAnswer::Allowed;
    d[2].FormKeyDown(27);  // Esc again: granted, its second request closes nothing more
    EXPECT_EQ(d.platform.Count(verify), 2);
    for (auto& f : d.forms) {
        EXPECT_TRUE(f->Closed);
        EXPECT_FALSE(f->IdleHandlerInstalled());
    }
    EXPECT_TRUE(d.group.Closed());
    EXPECT_EQ(d.platform.Count("SystemParametersInfoA(97,0)"), 1);
    EXPECT_EQ(d.platform.Count("HideForm"), 3);
    EXPECT_EQ(d.platform.Count("Terminate"), 1);
    EXPECT_EQ(d.group.FrameWaitMs(d.platform.Now), 24u * 3600u * 1000u);  // nothing left to pace
}

TEST(FormGroup, WhileThePasswordIsAskedAnotherMonitorsDoubleClickAsksNothingMore)
{
    Desktop d(1);
    d.platform.SetValue("Control Panel\\desktop", "ScreenSaveUsePassword", {ValueKind::Dword, "", 1});
    d.platform.PasswordVerdict = PasswordAnswer::Refused;
    d.group.Activate();
    int nested = 0;
    d.platform.WhilePasswordAsked = [&] {
        // The dialog's loop hands the other monitors' messages on.
        if (nested++ > 0) return;
        d[2].Image1DblClick();
        d[1].FormKeyDown(32);
    };
    d[1].Image1DblClick();
    EXPECT_EQ(d.platform.Count("VerifyScreenSavePwd(C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL,700)"), 1)
        << "one password dialog, not one inside another";
    for (auto& f : d.forms) EXPECT_FALSE(f->Closed) << "the refused password keeps the saver";

    // The next request, once the dialog is closed, asks again.
    d.platform.WhilePasswordAsked = nullptr;
    d.platform.PasswordVerdict = PasswordAnswer::Allowed;
    d[0].Image1DblClick();
    EXPECT_EQ(d.platform.Count("VerifyScreenSavePwd(C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL,700)"), 2);
    EXPECT_TRUE(d.group.Closed());
}

TEST(FormGroup, ADoubleClickOnAnyMonitorsMoireClosesThemAll)
{
    Desktop d;
    d.group.Activate();
    d[1].Image1DblClick();
    for (auto& f : d.forms) EXPECT_TRUE(f->Closed);
    EXPECT_EQ(d.platform.Count("Terminate"), 1);
}

// The stage as a form shows it now.
figure::Surface Shown(const TForm1& form)
{
    figure::Surface shown(form.Figure.Panel1.Width, form.Figure.Panel1.Height);
    figure::CopyShownWindow(form.Figure, shown);
    return shown;
}

TEST(FormGroup, EqualMonitorsShareOnePatternBuiltOnceAndShowWhatAFormOfTheirOwnWould)
{
    // Two equal monitors and a smaller one.
    Desktop d(2, 123457, {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}, {-1280, 0, 0, 1024}});
    EXPECT_EQ(d[0].Figure.Pattern, d[1].Figure.Pattern) << "one set of pattern surfaces for the equal two";
    EXPECT_NE(d[0].Figure.Pattern, d[2].Figure.Pattern) << "another size, another pattern";
    EXPECT_NE(&d[0].Figure.FrameBitmap, &d[1].Figure.FrameBitmap);
    d[0].FormActivate();
    const std::uint64_t built = d[0].Figure.Pattern->PatternVersion;
    d[1].FormActivate();
    EXPECT_EQ(d[1].Figure.Pattern->PatternVersion, built) << "the second monitor draws no ring";
    d[2].FormActivate();
    EXPECT_EQ(d[0].Figure.Pattern, d[1].Figure.Pattern) << "still one once built";
    EXPECT_TRUE(d[0].Figure.Pattern->Built);

    // A form of its own on the second monitor, on the same seed, shows the
    // same frames, pixel for pixel.
    SimPlatform own;
    own.Now = d.platform.Now;
    TForm1 alone(own, own, 0, &d.title);
    alone.Screen = d[1].Screen;
    alone.FormCreate();
    alone.Random.SetSeed(d[1].StartSeed);
    alone.FormActivate();
    alone.ActivatedTick = d[1].ActivatedTick;
    EXPECT_EQ(alone.Figure.PatternBitmap(), d[1].Figure.PatternBitmap());
    EXPECT_EQ(alone.Figure.OriginX, d[1].Figure.OriginX);
    EXPECT_EQ(alone.Figure.OriginY, d[1].Figure.OriginY);
    EXPECT_EQ(alone.Figure.Image1.Left, d[1].Figure.Image1.Left);
    EXPECT_EQ(alone.Figure.Edit1.Text, d[1].Figure.Edit1.Text);
    for (int frame = 0; frame < 300; ++frame) {
        d.platform.Now += 20;
        own.Now = d.platform.Now;
        d.group.AnimeLoop(d.platform.Now);
        bool done = false;
        alone.AnimeLoop(done, own.Now);
        ASSERT_TRUE(Shown(alone) == Shown(d[1])) << "frame " << frame;
    }
}

TEST(FormGroup, ARestagedMonitorLeavesTheOthersPatternAloneAndSharesAgainWhenItsSizeComesBack)
{
    Desktop d(2, 123457, {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}});
    d.group.Activate();
    const figure::Surface before = d[0].Figure.PatternBitmap();
    const std::uint64_t version = d[0].Figure.Pattern->PatternVersion;
    d[1].DisplayChanged({1920, 0, 4480, 1440}, 1);
    EXPECT_NE(d[0].Figure.Pattern, d[1].Figure.Pattern);
    EXPECT_EQ(d[1].Figure.PatternBitmap().Width(), 2 * 2560 + 152);
    EXPECT_TRUE(d[0].Figure.PatternBitmap() == before) << "the first monitor's pattern is untouched";
    EXPECT_EQ(d[0].Figure.Pattern->PatternVersion, version);
    d[1].DisplayChanged({1920, 0, 3840, 1080}, 1);
    EXPECT_EQ(d[0].Figure.Pattern, d[1].Figure.Pattern) << "back to the first one's size: shared again";
    EXPECT_EQ(d[0].Figure.Pattern->PatternVersion, version) << "and not drawn again";
}

}  // namespace
}  // namespace saver
