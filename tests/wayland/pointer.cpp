// The tests' mouse under a wlroots compositor: a virtual pointer that moves
// to places of the first output and clicks there, as a person's would.
// Each step comes a while after the last; the first 0.3 s after the pointer
// appears, so that the clients have their wl_pointer by then.
//
//   vidider_wayland_pointer WIDTH HEIGHT STEP...   (WAYLAND_DISPLAY names the compositor)
//     STEP: m X Y (move to X, Y of the WIDTH x HEIGHT output), c (a click of
//     the first button), w MS (wait MS milliseconds more)
#include <linux/input-event-codes.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

zwlr_virtual_pointer_manager_v1* manager = nullptr;

void Global(void*, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t)
{
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}
void GlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistry = {Global, GlobalRemove};

std::uint32_t Ms()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint32_t(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: vidider_wayland_pointer WIDTH HEIGHT STEP...\n");
        return 2;
    }
    const std::uint32_t width = std::uint32_t(std::atoi(argv[1])), height = std::uint32_t(std::atoi(argv[2]));
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, nullptr);
    wl_display_roundtrip(display);
    if (manager == nullptr) {
        std::fprintf(stderr, "vidider_wayland_pointer: the compositor has no virtual pointer\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, nullptr);
    wl_display_roundtrip(display);
    usleep(300000);
    for (int i = 3; i < argc; ++i) {
        const std::string step = argv[i];
        if (step == "m" && i + 2 < argc) {
            const std::uint32_t x = std::uint32_t(std::atoi(argv[i + 1])), y = std::uint32_t(std::atoi(argv[i + 2]));
            i += 2;
            zwlr_virtual_pointer_v1_motion_absolute(pointer, Ms(), x, y, width, height);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (step == "c") {
            zwlr_virtual_pointer_v1_button(pointer, Ms(), BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
            zwlr_virtual_pointer_v1_frame(pointer);
            zwlr_virtual_pointer_v1_button(pointer, Ms(), BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (step == "w" && i + 1 < argc) {
            usleep(useconds_t(std::atoi(argv[++i])) * 1000);
        } else {
            std::fprintf(stderr, "vidider_wayland_pointer: bad step '%s'\n", step.c_str());
            return 2;
        }
        if (wl_display_roundtrip(display) < 0) return 1;
        usleep(20000);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
