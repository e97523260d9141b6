#include "x11/frame_rate_box.h"

#include <algorithm>

#include "x11/bitmap_rows.h"
#include "x11/stage_image.h"
// Xlib's helpers after the saver's headers: their macros (NoValue) would
// change the platform's names.
#include <X11/Xutil.h>

namespace x11 {

FrameRateBox::FrameRateBox(::Display* display, ::Window window, unsigned long black, unsigned long white)
    : display_(display), window_(window)
{
    const figure::Surface box = app::FrameRateBox(std::nullopt);
    image_ = PlainBitmap(display_, DefaultVisual(display_, DefaultScreen(display_)), box.Width(), box.Height());
    XGCValues values{};
    values.foreground = white;
    values.background = black;
    values.graphics_exposures = False;
    gc_ = XCreateGC(display_, window_, GCForeground | GCBackground | GCGraphicsExposures, &values);
}

FrameRateBox::~FrameRateBox()
{
    if (image_ != nullptr) XDestroyImage(image_);
    if (gc_ != nullptr) XFreeGC(display_, gc_);
}

void FrameRateBox::Update(std::uint64_t nowNs, std::uint64_t frames, int height)
{
    if (meter_.Update(nowNs, frames)) Paint(height);
}

void FrameRateBox::Paint(int height)
{
    // The box's pixels into an image of its size.
    const figure::Surface box = app::FrameRateBox(meter_.Rate());
    const BitmapLayout layout = LayoutOf(*image_);
    for (int y = 0; y < box.Height(); ++y)
        CopyRow(reinterpret_cast<std::uint8_t*>(image_->data) + std::size_t(y) * image_->bytes_per_line, box.Row(y), 0,
                box.Width(), layout);
    XPutImage(display_, window_, gc_, image_, 0, 0, 0, height - image_->height, unsigned(image_->width),
              unsigned(image_->height));
}

void FrameRateBox::ClipAround(GC gc, int width, int height) const
{
    // The window less the box in its bottom-left corner: above it, and
    // right of it.
    const int boxTop = std::max(0, height - image_->height);
    const int boxRight = std::min(width, image_->width);
    XRectangle around[2] = {
        {0, 0, static_cast<unsigned short>(width), static_cast<unsigned short>(boxTop)},
        {short(boxRight), short(boxTop), static_cast<unsigned short>(width - boxRight),
         static_cast<unsigned short>(height - boxTop)},
    };
    XSetClipRectangles(display_, gc, 0, 0, around, 2, Unsorted);
}

}  // namespace x11
