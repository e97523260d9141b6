// The monitor rules every host shares: the primary, the screens that get a
// form, the covers of the classic stage, and the forms kept across a
// display change, on desktops as real ones lie (monitors left of and above
// the primary, none marked, mirrors).
#include <gtest/gtest.h>

#include <vector>

#include "saver/monitors.h"

namespace saver {
namespace {

using platform::Monitor;
using platform::Rect;

TEST(Covers, GoOverEveryMonitorButThePrimaryWhereverTheyLie)
{
    struct Case {
        const char* arrangement;
        std::vector<Monitor> monitors;
        std::vector<platform::Rect> covers;
    };
    const Case cases[] = {
        {"one monitor", {{{0, 0, 1280, 1024}, true}}, {}},
        {"a system that cannot tell", {}, {}},
        {"a second to the right",
         {{{0, 0, 1280, 1024}, true}, {{1280, 0, 2304, 768}, false}},
         {{1280, 0, 2304, 768}}},
        {"left of and above the primary, at negative coordinates",
         {{{-1920, -200, 0, 880}, false}, {{0, 0, 1920, 1080}, true}, {{0, -1024, 1280, 0}, false}},
         {{-1920, -200, 0, 880}, {0, -1024, 1280, 0}}},
        {"a primary that is not at the origin",
         {{{0, 0, 1920, 1080}, false}, {{1920, 0, 3200, 1024}, true}},
         {{0, 0, 1920, 1080}}},
        {"none marked primary: the one at the origin",
         {{{-1024, 0, 0, 768}, false}, {{0, 0, 1280, 1024}, false}},
         {{-1024, 0, 0, 768}}},
        {"a mirror of the primary and an empty one",
         {{{0, 0, 1280, 1024}, true}, {{0, 0, 1280, 1024}, false}, {{1280, 0, 1280, 0}, false}},
         {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CoverAreas(c.monitors), c.covers) << c.arrangement;
    }
}

TEST(Screens, ThePrimaryFirstThenEveryOtherAreaOnceEachAtItsScale)
{
    auto scaleOf = [](const Rect& r) { return r.Right - r.Left >= 3840 ? 2 : 1; };
    const Rect fallback{0, 0, 1280, 1024};
    const std::vector<Monitor> desk = {{{-1920, -200, 0, 880}, false},
                                       {{0, 0, 3840, 2160}, true},
                                       {{0, 0, 3840, 2160}, false},  // a mirror
                                       {{3840, 0, 3840, 1024}, false},  // empty
                                       {{0, -1024, 1280, 0}, false}};
    EXPECT_EQ(ScreensOf(desk, fallback, StageMode::Fill, scaleOf),
              (std::vector<Screen>{{{0, 0, 3840, 2160}, 2}, {{-1920, -200, 0, 880}, 1}, {{0, -1024, 1280, 0}, 1}}));
    EXPECT_EQ(ScreensOf(desk, fallback, StageMode::Classic, scaleOf), (std::vector<Screen>{{{0, 0, 3840, 2160}, 2}}))
        << "the classic stage: the primary alone";
    EXPECT_EQ(ScreensOf({}, fallback, StageMode::Fill, scaleOf), (std::vector<Screen>{{fallback, 1}}))
        << "a system that tells of no monitors: its primary screen";
    // None marked primary: the one at the origin comes first.
    EXPECT_EQ(ScreensOf({{{-1024, 0, 0, 768}, false}, {{0, 0, 1280, 1024}, false}}, fallback, StageMode::Fill, scaleOf)
                  .front()
                  .Area,
              (Rect{0, 0, 1280, 1024}));
    EXPECT_EQ(PrimaryOf({{{-1024, 0, 0, 768}, false}, {{10, 10, 1280, 1024}, false}}), 2u) << "none at all";
}

TEST(KeptForms, TheMonitorsKeepTheFormsOfTheirTopLeftCornersAndThePrimaryItsOwn)
{
    const Rect primary{0, 0, 1920, 1080}, right{1920, 0, 3200, 1024}, left{-1280, 0, 0, 1024};
    // Nothing changed: every monitor keeps its own form.
    EXPECT_EQ(KeptForms({primary, right, left}, {primary, right, left}), (std::vector<int>{0, 1, 2}));
    // A new size at the same corner keeps the form; the order may change.
    EXPECT_EQ(KeptForms({primary, right, left}, {Rect{0, 0, 2560, 1440}, left, Rect{1920, 0, 4480, 1440}}),
              (std::vector<int>{0, 2, 1}));
    // A monitor added gets a new form; the one gone keeps none.
    EXPECT_EQ(KeptForms({primary, right}, {primary, left}), (std::vector<int>{0, -1}));
    EXPECT_EQ(KeptForms({primary}, {primary, right, left}), (std::vector<int>{0, -1, -1}));
    EXPECT_EQ(KeptForms({primary, right, left}, {primary}), (std::vector<int>{0}));
    // The primary's form stays the primary's wherever the primary now is;
    // the monitor now at the old primary's corner does not take it.
    EXPECT_EQ(KeptForms({primary, right}, {right, primary}), (std::vector<int>{0, -1}));
    // Two monitors at one corner (mirrored): only the first keeps the form.
    EXPECT_EQ(KeptForms({primary, right}, {primary, right, right}), (std::vector<int>{0, 1, -1}));
    EXPECT_EQ(KeptForms({}, {primary}), (std::vector<int>{-1}));
}

}  // namespace
}  // namespace saver
