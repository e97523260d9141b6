// The scale a display asks for through Xft.dpi: the resource found in a
// database's text as the server keeps it, and the DPI rule applied to it.
#include <gtest/gtest.h>

#include "x11/display_scale.h"

namespace x11 {
namespace {

TEST(XftDpi, IsFoundInTheResourceDatabaseAsDesktopsWriteIt)
{
    EXPECT_EQ(XftDpiIn("Xft.dpi:\t192\n"), "192");
    // Among other resources, with blanks, and as the last line without a break.
    EXPECT_EQ(XftDpiIn("Xft.antialias:\t1\nXft.dpi:   144\nXft.hinting:\t1\n"), "144");
    EXPECT_EQ(XftDpiIn("Xcursor.size: 24\nXft.dpi: 120"), "120");
    // A loose binding names it as well; a tight one for another program does not.
    EXPECT_EQ(XftDpiIn("*dpi: 96\n"), "96");
    EXPECT_EQ(XftDpiIn("Xft.dpi: 96\nXft.dpi: 288\n"), "288") << "the last entry wins, as xrdb merges";
    EXPECT_EQ(XftDpiIn("XTerm.dpi: 192\n"), std::nullopt);
    EXPECT_EQ(XftDpiIn("Xft.hinting: 1\n"), std::nullopt);
    EXPECT_EQ(XftDpiIn(""), std::nullopt);
    EXPECT_EQ(XftDpiIn(nullptr), std::nullopt) << "a server with no resources";
}

TEST(XftDpi, GivesTheScaleOfTheSaversDpiRule)
{
    EXPECT_EQ(ScaleForXftDpi("96"), 1);
    EXPECT_EQ(ScaleForXftDpi("120"), 1);
    EXPECT_EQ(ScaleForXftDpi("144"), 2);  // 1.5 goes to 2
    EXPECT_EQ(ScaleForXftDpi("192"), 2);
    EXPECT_EQ(ScaleForXftDpi("240"), 2);  // 2.5 goes to 2
    EXPECT_EQ(ScaleForXftDpi("288"), 3);
    EXPECT_EQ(ScaleForXftDpi("336"), 4);
    EXPECT_EQ(ScaleForXftDpi("10000"), 8) << "never past the largest scale";
    // A fraction, and blanks around the number.
    EXPECT_EQ(ScaleForXftDpi("191.9"), 2);
    EXPECT_EQ(ScaleForXftDpi(" 288.0 "), 3);
    EXPECT_EQ(ScaleForXftDpi("143.5"), 2) << "143.5 DPI rounds to 144";
    EXPECT_EQ(ScaleForXftDpi("143.4"), 1);
    EXPECT_EQ(ScaleForXftDpi("99999999999999999999999"), 8);
}

TEST(XftDpi, AnythingButANumberGivesScaleOne)
{
    for (const char* text : {"", " ", "high", "192dpi", "1.2.3", "-192", "+192", ".", "0x120"})
        EXPECT_EQ(ScaleForXftDpi(std::string(text)), 1) << "'" << text << "'";
    EXPECT_EQ(ScaleForXftDpi(std::nullopt), 1);
    EXPECT_EQ(ScaleForXftDpi("0"), 1);
}

}  // namespace
}  // namespace x11
