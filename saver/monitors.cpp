#include "saver/monitors.h"

#include <algorithm>

namespace saver {

std::size_t PrimaryOf(const std::vector<platform::Monitor>& monitors)
{
    auto marked = std::find_if(monitors.begin(), monitors.end(), [](const platform::Monitor& m) { return m.Primary; });
    if (marked != monitors.end()) return std::size_t(marked - monitors.begin());
    auto atOrigin = std::find_if(monitors.begin(), monitors.end(), [](const platform::Monitor& m) {
        return m.Area.Left <= 0 && m.Area.Top <= 0 && m.Area.Right > 0 && m.Area.Bottom > 0;
    });
    return std::size_t(atOrigin - monitors.begin());
}

std::vector<Screen> ScreensOf(const std::vector<platform::Monitor>& monitors, const platform::Rect& primaryScreen,
                              StageMode mode, const std::function<int(const platform::Rect&)>& scaleOf)
{
    const std::size_t primary = PrimaryOf(monitors);
    const platform::Rect primaryArea = primary < monitors.size() ? monitors[primary].Area : primaryScreen;
    std::vector<Screen> screens{{primaryArea, scaleOf(primaryArea)}};
    if (mode == StageMode::Classic) return screens;
    for (const platform::Monitor& m : monitors) {
        const bool known = std::any_of(screens.begin(), screens.end(), [&](const Screen& s) { return s.Area == m.Area; });
        if (!known && !m.Area.Empty()) screens.push_back({m.Area, scaleOf(m.Area)});
    }
    return screens;
}

std::vector<platform::Rect> CoverAreas(const std::vector<platform::Monitor>& monitors)
{
    const std::size_t primary = PrimaryOf(monitors);
    std::vector<platform::Rect> covers;
    for (std::size_t k = 0; k < monitors.size(); ++k) {
        const platform::Rect& area = monitors[k].Area;
        if (k == primary || area.Empty()) continue;
        if (primary < monitors.size() && area == monitors[primary].Area) continue;  // a mirror
        covers.push_back(area);
    }
    return covers;
}

std::vector<int> KeptForms(const std::vector<platform::Rect>& before, const std::vector<platform::Rect>& now)
{
    std::vector<int> kept(now.size(), -1);
    if (now.empty() || before.empty()) return kept;
    kept[0] = 0;  // the primary's form stays the primary's
    for (std::size_t k = 1; k < now.size(); ++k)
        for (std::size_t j = 1; j < before.size(); ++j)
            if (before[j].Left == now[k].Left && before[j].Top == now[k].Top &&
                std::find(kept.begin(), kept.end(), int(j)) == kept.end()) {
                kept[k] = int(j);
                break;
            }
    return kept;
}

}  // namespace saver
