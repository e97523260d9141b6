#include "x11/stage_image.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "x11/server_errors.h"

namespace x11 {
namespace {

// The largest 32-bit image made: past it (a window of over 64 million
// pixels) the one-bit image, a 32nd of the memory, serves.
constexpr std::size_t kLargestPixelImage = std::size_t(256) << 20;

}  // namespace

ImageKind ChooseImageKind(const XWindowAttributes& window, bool sharedMemory, const char* asked)
{
    const std::string kind = asked != nullptr ? asked : "";
    if (kind != "" && kind != "bitmap" && kind != "pixels")
        throw std::invalid_argument("VIDIDER_IMAGE takes bitmap or pixels, not '" + kind + "'");
    const bool takesPixels =
        sharedMemory && window.visual->c_class == TrueColor && (window.depth == 24 || window.depth == 32);
    if (kind == "bitmap" || !takesPixels) return ImageKind::Bitmap;
    return ImageKind::Pixels;
}

StageImage::StageImage(::Display* display, const XWindowAttributes& window, unsigned long black, unsigned long white,
                       ImageKind kind)
    : display_(display), visual_(window.visual), depth_(window.depth), black_(black), white_(white), kind_(kind)
{
}

StageImage::~StageImage() { Release(); }

void StageImage::Release()
{
    if (image_ == nullptr) return;
    if (shared_) {
        XShmDetach(display_, &shm_);
        XSync(display_, False);
        shmdt(shm_.shmaddr);
        image_->data = nullptr;
    }
    XDestroyImage(image_);
    image_ = nullptr;
    shared_ = false;
}

void StageImage::Fit(int width, int height, bool exactly)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (image_ != nullptr && width <= image_->width && height <= image_->height &&
        (!exactly || (width == image_->width && height == image_->height)))
        return;
    Release();
    Make(width, height);
}

void StageImage::Make(int width, int height)
{
    if (kind_ == ImageKind::Pixels) {
        if (std::size_t(width) * std::size_t(height) * 4 <= kLargestPixelImage && MakeShared(width, height)) return;
        kind_ = ImageKind::Bitmap;
    }
    if (XShmQueryExtension(display_) && MakeShared(width, height)) return;
    // A display without shared memory (over the network): a plain image.
    image_ = PlainBitmap(display_, visual_, width, height);
    pixels_ = false;
    layout_ = LayoutOf(*image_);
}

bool StageImage::MakeShared(int width, int height)
{
    const bool pixels = kind_ == ImageKind::Pixels;
    image_ = XShmCreateImage(display_, visual_, pixels ? unsigned(depth_) : 1u, pixels ? ZPixmap : XYBitmap, nullptr,
                             &shm_, unsigned(width), unsigned(height));
    if (image_ == nullptr) return false;
    if (pixels && image_->bits_per_pixel != 32) {
        XDestroyImage(image_);
        image_ = nullptr;
        return false;
    }
    shm_.shmid = shmget(IPC_PRIVATE, std::size_t(image_->bytes_per_line) * std::size_t(image_->height), IPC_CREAT | 0600);
    shm_.shmaddr = shm_.shmid >= 0 ? static_cast<char*>(shmat(shm_.shmid, nullptr, 0)) : reinterpret_cast<char*>(-1);
    if (shm_.shmaddr != reinterpret_cast<char*>(-1)) {
        image_->data = shm_.shmaddr;
        shm_.readOnly = False;
        const int errors = ServerErrorCount();
        XShmAttach(display_, &shm_);
        XSync(display_, False);
        shared_ = ServerErrorCount() == errors;
    }
    // Marked for removal at once: it goes when both sides let go, even if
    // this process is killed.
    if (shm_.shmid >= 0) shmctl(shm_.shmid, IPC_RMID, nullptr);
    if (!shared_) {
        if (shm_.shmaddr != reinterpret_cast<char*>(-1)) shmdt(shm_.shmaddr);
        image_->data = nullptr;
        XDestroyImage(image_);
        image_ = nullptr;
        return false;
    }
    pixels_ = pixels;
    if (pixels)
        widener_ = PixelLayoutOf(*image_, black_, white_);
    else
        layout_ = LayoutOf(*image_);
    return true;
}

void StageImage::Fill(const saver::WindowFrame& frame)
{
    if (image_ == nullptr || frame.Covered.Empty()) return;
    const int width = frame.Width(), height = frame.Height();
    if (width > image_->width || height > image_->height) return;  // Fit makes it as large as the stage shows
    auto* data = reinterpret_cast<std::uint8_t*>(image_->data);
    const std::ptrdiff_t stride = image_->bytes_per_line;
    if (pixels_) {
        if (widener_.Scale() != frame.Scale) widener_ = PixelLayoutOf(*image_, black_, white_, frame.Scale);
        saver::WidenFrame(frame, data, stride, widener_);
        return;
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* to = data + std::ptrdiff_t(y) * stride;
        if (frame.RepeatsRow(y))
            std::memcpy(to, to - stride, std::size_t(stride));  // the next screen row of the same blocks
        else
            BitmapRow(to, frame.Row(y), frame.FirstColumn, frame.PhaseX, width, frame.Scale, layout_, scratch_);
    }
}

void StageImage::Put(Window window, GC gc, int x, int y, int width, int height)
{
    if (image_ == nullptr) return;
    width = std::min(width, image_->width);
    height = std::min(height, image_->height);
    if (width <= 0 || height <= 0) return;
    if (shared_) {
        XShmPutImage(display_, window, gc, image_, 0, 0, x, y, unsigned(width), unsigned(height), False);
        // The image is written again for the next frame: the server must
        // have taken this one.
        XSync(display_, False);
    } else {
        XPutImage(display_, window, gc, image_, 0, 0, x, y, unsigned(width), unsigned(height));
        XFlush(display_);
    }
}

std::string StageImage::Describe() const
{
    if (kind_ == ImageKind::Pixels) return "32-bit pixels in shared memory";
    return shared_ ? "one bit a pixel in shared memory" : "one bit a pixel, put plainly";
}

XImage* PlainBitmap(::Display* display, Visual* visual, int width, int height)
{
    const int bytesPerLine = (width + 31) / 32 * 4;
    char* data = static_cast<char*>(std::calloc(std::size_t(bytesPerLine) * std::size_t(height), 1));
    if (data == nullptr) throw std::bad_alloc();
    XImage* image = XCreateImage(display, visual, 1, XYBitmap, 0, data, unsigned(width), unsigned(height), 32,
                                 bytesPerLine);
    if (image == nullptr) {
        std::free(data);
        throw std::bad_alloc();
    }
    return image;
}

}  // namespace x11
