// The monitors as the saver uses them, in one place for every host: which
// one is the primary, the screens that get a form (the primary's first,
// each area once, with its scale), the black covers of the classic stage,
// and which monitor keeps which form after a display change.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "platform/platform.h"
#include "saver/stage_view.h"

namespace saver {

// The primary among `monitors`: the one marked so, else the one that holds
// the origin; monitors.size() where neither is there.
std::size_t PrimaryOf(const std::vector<platform::Monitor>& monitors);

// A monitor as the saver uses it: its area in screen coordinates, and
// screen pixels per figure pixel there.
struct Screen {
    platform::Rect Area;
    int Scale = 1;

    bool operator==(const Screen&) const = default;
};

// The screens that get a saver window: in the classic mode the primary
// alone, where the stage fills every screen every monitor, the primary's
// first, each area once (a mirror shows what another monitor shows), none
// empty. `primaryScreen` is the primary's area where the system tells of
// no monitors (Windows 95 and NT 4) or marks none; `scaleOf` gives the
// scale of an area.
std::vector<Screen> ScreensOf(const std::vector<platform::Monitor>& monitors, const platform::Rect& primaryScreen,
                              StageMode mode, const std::function<int(const platform::Rect&)>& scaleOf);

// The black covers of the classic stage: one over every monitor but the
// primary, which the saver window covers; a monitor showing the same area
// as the primary (a mirror) needs no cover, nor does an empty one.
std::vector<platform::Rect> CoverAreas(const std::vector<platform::Monitor>& monitors);

// After a display change, which forms the monitors keep: for each monitor
// now (the primary's first), the place among the monitors before (the
// primary's first) of the one whose form it keeps, or -1 for a new form. The
// primary's form stays the primary's; another monitor keeps the form of the
// one that started at its top-left, each form kept once at the most. The
// forms nobody keeps end with their monitors.
std::vector<int> KeptForms(const std::vector<platform::Rect>& before, const std::vector<platform::Rect>& now);

}  // namespace saver
