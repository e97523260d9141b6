// The least a full-output saver can cost on Wayland: a client that covers
// the first output with one overlay layer surface, prepares one XRGB8888
// buffer of its size once, and then only attaches that buffer, damaged
// whole, once per tick. What vidider-wayland costs beyond this (it and the
// compositor together) is its own work: composing, widening, pacing.
//
//   vidider_wayland_limit DELAY_US   (WAYLAND_DISPLAY names the compositor)
#include <poll.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "wayland/layer_shell.h"

namespace {

struct Client {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layers = nullptr;
    wl_output* output = nullptr;
    int width = 0, height = 0;
    std::uint32_t serial = 0;
    bool configured = false;
};

void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t)
{
    auto& c = *static_cast<Client*>(data);
    const std::string which = interface;
    if (which == wl_compositor_interface.name)
        c.compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    else if (which == wl_shm_interface.name)
        c.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    else if (which == zwlr_layer_shell_v1_interface.name)
        c.layers = static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1));
    else if (which == wl_output_interface.name && c.output == nullptr)
        c.output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
}
void GlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistry = {Global, GlobalRemove};

void Configure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width, std::uint32_t height)
{
    auto& c = *static_cast<Client*>(data);
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    c.width = int(width);
    c.height = int(height);
    c.configured = true;
}
void Closed(void*, zwlr_layer_surface_v1*) { std::exit(0); }
const zwlr_layer_surface_v1_listener kLayer = {Configure, Closed};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vidider_wayland_limit DELAY_US\n");
        return 2;
    }
    const long delay = std::atol(argv[1]);
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "vidider_wayland_limit: no compositor\n");
        return 1;
    }
    Client c;
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, &c);
    wl_display_roundtrip(display);
    if (c.compositor == nullptr || c.shm == nullptr || c.layers == nullptr || c.output == nullptr) {
        std::fprintf(stderr, "vidider_wayland_limit: the compositor lacks a global this needs\n");
        return 1;
    }
    wl_surface* surface = wl_compositor_create_surface(c.compositor);
    zwlr_layer_surface_v1* layer =
        zwlr_layer_shell_v1_get_layer_surface(c.layers, surface, c.output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "limit");
    zwlr_layer_surface_v1_add_listener(layer, &kLayer, &c);
    zwlr_layer_surface_v1_set_anchor(layer, 15);
    zwlr_layer_surface_v1_set_exclusive_zone(layer, -1);
    wl_surface_commit(surface);
    while (!c.configured) wl_display_roundtrip(display);

    // One frame, prepared once: black and white stripes.
    const std::size_t size = std::size_t(c.width) * std::size_t(c.height) * 4;
    const int fd = memfd_create("limit", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, off_t(size)) != 0) return 1;
    auto* pixels = static_cast<std::uint32_t*>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) pixels[std::size_t(y) * std::size_t(c.width) + std::size_t(x)] = ((x ^ y) & 16) ? 0xFFFFFFFFu : 0xFF000000u;
    wl_shm_pool* pool = wl_shm_create_pool(c.shm, fd, std::int32_t(size));
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, c.width, c.height, c.width * 4, WL_SHM_FORMAT_XRGB8888);

    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (;;) {
        wl_surface_attach(surface, buffer, 0, 0);
        wl_surface_damage_buffer(surface, 0, 0, c.width, c.height);
        wl_surface_commit(surface);
        if (wl_display_flush(display) < 0 || wl_display_dispatch_pending(display) < 0) return 1;
        next.tv_nsec += delay * 1000;
        while (next.tv_nsec >= 1000000000) {
            next.tv_nsec -= 1000000000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        // The compositor's answers (the buffer's releases), without waiting.
        pollfd wait = {wl_display_get_fd(display), POLLIN, 0};
        if (poll(&wait, 1, 0) > 0 && wl_display_dispatch(display) < 0) return 1;
    }
}
