// One XRGB8888 buffer of a surface in shared memory of its own (a memfd the
// compositor maps too), and whether the compositor holds it: from its attach
// until its release, nothing may write into it.
#pragma once

#include <cstddef>
#include <cstdint>

struct wl_buffer;
struct wl_shm;

namespace wayland {

class ShmBuffer {
public:
    // Throws std::bad_alloc where the memory or the buffer cannot be made.
    ShmBuffer(wl_shm* shm, int width, int height);
    ~ShmBuffer();
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;

    wl_buffer* Buffer() const { return buffer_; }
    std::uint8_t* Pixels() const { return pixels_; }
    std::ptrdiff_t Stride() const { return std::ptrdiff_t(width_) * 4; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // From the attach until the compositor lets go of it.
    bool Held = false;
    // The layout of the surface whose whole window this buffer last showed
    // (its black border, the frame rate's box); 0: none.
    std::uint64_t PaintedLayout = 0;

private:
    int width_, height_;
    std::size_t size_;
    std::uint8_t* pixels_ = nullptr;
    wl_buffer* buffer_ = nullptr;
};

}  // namespace wayland
