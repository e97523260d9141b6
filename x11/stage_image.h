// The stage as the server takes it for one window: an image of the part the
// stage covers, one bit a pixel (any visual) or, for a TrueColor window of
// depth 24 or 32 over shared memory, the window's own 32-bit pixels.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <string>
#include <vector>

#include "saver/frame.h"
#include "saver/widen.h"
#include "x11/bitmap_rows.h"

namespace x11 {

enum class ImageKind { Bitmap, Pixels };

// Which kind a window gets: Pixels where its visual is TrueColor of depth 24
// or 32 and the display shares memory, else Bitmap. `asked`, from the
// VIDIDER_IMAGE environment variable ("bitmap", "pixels" or empty), names
// one kind for measuring; Pixels is still given only where the window takes
// it. Throws std::invalid_argument, one line, for any other text.
ImageKind ChooseImageKind(const XWindowAttributes& window, bool sharedMemory, const char* asked);

class StageImage {
public:
    // For a window of these attributes; `black` and `white` are its pixels.
    // Nothing is made until Fit.
    StageImage(::Display* display, const XWindowAttributes& window, unsigned long black, unsigned long white,
               ImageKind kind);
    ~StageImage();
    StageImage(const StageImage&) = delete;
    StageImage& operator=(const StageImage&) = delete;

    // Makes the image hold `width` x `height` pixels: anew where it is
    // smaller, and where `exactly` also where it is larger. A 32-bit image
    // that cannot be made in shared memory gives way to a one-bit one.
    // Throws std::bad_alloc where no image can be made.
    void Fit(int width, int height, bool exactly);

    // Fills the image's top-left with the rows of `frame`'s covered
    // rectangle, at its scale.
    void Fill(const saver::WindowFrame& frame);

    // Puts the image's top-left `width` x `height` at (x, y) of `window`, and
    // waits until the server has taken a shared image, which the next Fill
    // writes again.
    void Put(Window window, GC gc, int x, int y, int width, int height);

    ImageKind Kind() const { return kind_; }
    bool Shared() const { return shared_; }
    int Width() const { return image_ != nullptr ? image_->width : 0; }
    int Height() const { return image_ != nullptr ? image_->height : 0; }
    // "32-bit pixels in shared memory", "one bit a pixel in shared memory"
    // or "one bit a pixel, put plainly".
    std::string Describe() const;

private:
    void Make(int width, int height);
    bool MakeShared(int width, int height);
    void Release();

    ::Display* display_;
    Visual* visual_;
    int depth_;
    unsigned long black_, white_;
    ImageKind kind_;
    XImage* image_ = nullptr;
    XShmSegmentInfo shm_{};
    bool shared_ = false;
    bool pixels_ = false;  // the image holds 32-bit pixels, else one bit a pixel
    BitmapLayout layout_;
    saver::PixelWidener widener_;
    RowScratch scratch_;
};

// A one-bit image in memory of its own, its bits clear, rows padded to 32
// bits; XDestroyImage frees it. Throws std::bad_alloc.
XImage* PlainBitmap(::Display* display, Visual* visual, int width, int height);

}  // namespace x11
