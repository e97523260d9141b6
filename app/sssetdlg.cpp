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
}  // namespace

AboutLayout TScrnSaveSetupDlg::LayOut(int label5Width, int versionWidth, int textHeight, int frameWidth)
{
    AboutLayout box;
    box.OuterWidth = figure::Round(label5Width * 1.7L);
    box.OuterHeight = kOuterHeight;
    box.ClientWidth = box.OuterWidth - frameWidth;
    const int grow = box.ClientWidth - kDesignClientWidth;
    const int line = std::max(12, textHeight);
    box.Label_Title = {0, 11, kDesignClientWidth + grow, 24};
    box.Label_Version = {75, 41, versionWidth, line};
    box.Label_Copyright = {0, 65, kDesignClientWidth + grow, line};
    box.Label5 = {48, 98, label5Width + grow, line};
    box.Edit_URL = {71 + grow, 114, 151, 18};
    box.OKBtn = {figure::Round((box.ClientWidth - 73) * 0.5L), 143, 73, 23};
    return box;
}

platform::WindowHandle TScrnSaveSetupDlg::CreateParams()
{
    OwnerWindow = platform_.GetForegroundWindow();
    if (OwnerWindow != 0) platform_.EnableWindow(OwnerWindow, false);
    return OwnerWindow;
}

void TScrnSaveSetupDlg::FormDestroy()
{
    if (OwnerWindow != 0) platform_.EnableWindow(OwnerWindow, true);
}

}  // namespace app
