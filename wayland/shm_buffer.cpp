#include "wayland/shm_buffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <new>

namespace wayland {
namespace {

void Released(void* data, wl_buffer*) { static_cast<ShmBuffer*>(data)->Held = false; }
const wl_buffer_listener kBufferListener = {Released};

}  // namespace

ShmBuffer::ShmBuffer(wl_shm* shm, int width, int height)
    : width_(width), height_(height), size_(std::size_t(width) * std::size_t(height) * 4)
{
    // The protocol's sizes and offsets are 32-bit.
    if (width <= 0 || height <= 0 || size_ > 0x7FFFFFFFu) throw std::bad_alloc();
    const int fd = memfd_create("vidider-wayland", MFD_CLOEXEC);
    if (fd < 0) throw std::bad_alloc();
    // The pages are taken now, not at the first write of a frame: no memory,
    // no buffer.
    if (posix_fallocate(fd, 0, off_t(size_)) != 0) {
        close(fd);
        throw std::bad_alloc();
    }
    void* pixels = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) {
        close(fd);
        throw std::bad_alloc();
    }
    pixels_ = static_cast<std::uint8_t*>(pixels);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, std::int32_t(size_));
    buffer_ = wl_shm_pool_create_buffer(pool, 0, width, height, std::int32_t(Stride()), WL_SHM_FORMAT_XRGB8888);
    // The buffer keeps the memory; the pool and the descriptor may go.
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_buffer_add_listener(buffer_, &kBufferListener, this);
}

ShmBuffer::~ShmBuffer()
{
    if (buffer_ != nullptr) wl_buffer_destroy(buffer_);
    if (pixels_ != nullptr) munmap(pixels_, size_);
}

}  // namespace wayland
