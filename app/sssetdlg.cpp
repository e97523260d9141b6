#include "app/sssetdlg.h"

#include <algorithm>

#include "figure/rounding.h"

namespace app {

const char* const kAboutCaption = "About";
const char* const kTitleText = "V I D I D E R";
const char* const kVersionText = "Version 0.6.3  (March 18, 2004)";
const char* const kCopyrightText = "Copyright (C) 2026 the vidider developers";
const char* const kLatestText = "You can get the latest version from";
#ifndef VIDIDER_ADDRESS
#define VIDIDER_ADDRESS "no public address yet"
#endif
const char* const kAddressText = VIDIDER_ADDRESS;

namespace {
constexpr int kDesignClientWidth = 282;
constexpr int kOuterHeight = 200;
constexpr int kFontHeight = 12;
constexpr int kTitleFontHeight = 24;
}  // namespace

int Scaled(int pixelsAt96, int dpi) { return figure::Round(pixelsAt96 * static_cast<long double>(dpi) / 96.0L); }

int AboutFontHeight(int dpi) { return Scaled(kFontHeight, dpi); }
int AboutTitleFontHeight(int dpi) { return Scaled(kTitleFontHeight, dpi); }

AboutLayout TScrnSaveSetupDlg::LayOut(int label5Width, int versionWidth, int textHeight, int frameWidth, int dpi)
{
    auto at = [dpi](int pixels) { return Scaled(pixels, dpi); };
    AboutLayout box;
    box.FontHeight = AboutFontHeight(dpi);
    box.TitleFontHeight = AboutTitleFontHeight(dpi);
    box.OuterWidth = figure::Round(label5Width * 1.7L);
    box.OuterHeight = at(kOuterHeight);
    box.ClientWidth = box.OuterWidth - frameWidth;
    const int grow = box.ClientWidth - at(kDesignClientWidth);
    const int line = std::max(box.FontHeight, textHeight);
    box.Label_Title = {0, at(11), box.ClientWidth, at(24)};
    box.Label_Version = {at(75), at(41), versionWidth, line};
    box.Label_Copyright = {0, at(65), box.ClientWidth, line};
    box.Label5 = {at(48), at(98), label5Width + grow, line};
    box.Edit_URL = {at(71) + grow, at(114), at(151), at(18)};
    const int okWidth = at(73);
    box.OKBtn = {figure::Round((box.ClientWidth - okWidth) * 0.5L), at(143), okWidth, at(23)};
    return box;
}

platform::WindowHandle TScrnSaveSetupDlg::CreateParams()
{
    OwnerWindow = platform_.GetForegroundWindow();
    if (OwnerWindow != 0) platform_.EnableWindow(OwnerWindow, false);
    return OwnerWindow;
}

void TScrnSaveSetupDlg::DropOwner()
{
    FormDestroy();
    OwnerWindow = 0;
}

void TScrnSaveSetupDlg::FormDestroy()
{
    if (OwnerWindow != 0) platform_.EnableWindow(OwnerWindow, true);
}

}  // namespace app
