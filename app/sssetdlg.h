// TScrnSaveSetupDlg, the About box the saver shows instead of settings: the
// product title, the version and date, the copyright line and the address,
// one OK button. Its width follows the measured text of Label5; while it is
// open the window that was in the foreground stays disabled.
#pragma once

#include <string>

#include "platform/platform.h"

namespace app {

struct ControlPlace {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// Places in client pixels, sizes of the whole box in screen pixels, fonts
// in pixels: all at the DPI of the monitor the box opens on.
struct AboutLayout {
    int OuterWidth = 0;
    int OuterHeight = 0;
    int ClientWidth = 0;
    int FontHeight = 0;
    int TitleFontHeight = 0;
    ControlPlace Label_Title, Label_Version, Label_Copyright, Label5, Edit_URL, OKBtn;
};

// The pixels at `dpi` of a size given at 96 DPI: scaled by dpi / 96, halves
// going to the even neighbour. At 96 DPI every size is as given.
int Scaled(int pixelsAt96, int dpi);

// The box's fonts in pixels at `dpi`: Arial 12, the title Arial bold 24.
int AboutFontHeight(int dpi);
int AboutTitleFontHeight(int dpi);

// The texts of the box.
extern const char* const kAboutCaption;
extern const char* const kTitleText;
extern const char* const kVersionText;
extern const char* const kCopyrightText;
extern const char* const kLatestText;
extern const char* const kAddressText;

class TScrnSaveSetupDlg {
public:
    explicit TScrnSaveSetupDlg(platform::Platform& platform) : platform_(platform) {}

    // The outer width is Label5's text width times 1.7, rounded halves to
    // even; the height 200; OK is centred; the controls anchored to the right
    // edge stretch or move by the change from the design width of 282. Every
    // size is at `dpi`: the text widths and heights measured in the fonts of
    // that DPI, the design's sizes scaled to it. `frameWidth` is the outer
    // width less the client width.
    static AboutLayout LayOut(int label5Width, int versionWidth, int textHeight, int frameWidth, int dpi = 96);

    // The foreground window becomes the owner, disabled while the box lives.
    platform::WindowHandle CreateParams();
    // The box could not be made with that owner (a foreground window that
    // is going away, say): the owner gets its input back and is forgotten,
    // and the box is made without one.
    void DropOwner();
    void FormDestroy();
    void OKBtnClick() {}

    platform::WindowHandle OwnerWindow = 0;

private:
    platform::Platform& platform_;
};

}  // namespace app
