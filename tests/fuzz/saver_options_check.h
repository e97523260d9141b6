// The options both Linux hosts' parsers share (app/saver_options.h), as
// their fuzz targets write them back as a command line and compare them.
#pragma once

#include <string>
#include <vector>

#include "app/saver_options.h"

namespace fuzz {

// The shared options as arguments that mean them, one dash or two by turns.
inline void WriteSaverOptions(const app::SaverOptions& o, std::vector<std::string>& line)
{
    line.insert(line.end(), {"-delay", std::to_string(std::uint64_t(o.SleepTime) * 1000)});
    if (o.Seed) line.insert(line.end(), {"--seed", std::to_string(*o.Seed)});
    if (o.Frames) line.insert(line.end(), {"-frames", std::to_string(*o.Frames)});
    if (o.Fps) line.push_back("--fps");
    if (o.Classic) line.push_back("-classic");
    if (o.Scale) line.insert(line.end(), {"--scale", std::to_string(*o.Scale)});
    if (o.Verbose) line.push_back("--verbose");
    if (o.Help) line.push_back("-h");
    if (o.Version) line.push_back("--version");
}

inline bool SameSaverOptions(const app::SaverOptions& a, const app::SaverOptions& b)
{
    return a.SleepTime == b.SleepTime && a.Seed == b.Seed && a.Frames == b.Frames && a.Fps == b.Fps &&
           a.Classic == b.Classic && a.Scale == b.Scale && a.Verbose == b.Verbose && a.Help == b.Help &&
           a.Version == b.Version;
}

}  // namespace fuzz
