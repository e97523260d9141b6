// How far apart the saver's paced frames read the clock, under Wine: runs
// the Windows program frame-pace (the saver's own window, loop and frame
// clock, with a platform that notes each paced frame) for 10 s at the
// default pace, on the private display of the end-to-end tests, and prints
// the distribution of the intervals, the frame rate and its CPU.
//
//   build/linux/bench/vidider_frame_pace
#include <cstdio>

#include "tests/e2e/harness.h"

int main()
{
    using e2e::Harness;
    Harness& h = Harness::Get();
    h.KillStray();
    h.Reg({"delete", "HKCU\\Software\\Tavrenholm\\ScreenSaverSample", "/f"});
    int code = -1;
    std::string report = h.Run({h.Binary("frame-pace.exe"), "10"}, &code, 60);
    std::printf("%s\n%s", h.Describe().c_str(), report.c_str());
    h.Shutdown();
    return code == 0 ? 0 : 1;
}
