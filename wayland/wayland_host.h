// vidider-wayland's host: the compositor's globals, the outputs and a stage
// surface on each, the seat's keys and pointer, and the loop on the socket
// and the signals.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "app/host_process.h"
#include "app/wayland_options.h"
#include "figure/surface.h"
#include "saver/form_group.h"
#include "wayland/stage_surface.h"

struct wl_display;
struct wl_keyboard;
struct wl_pointer;
struct wl_registry;
struct wl_seat;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace wayland {

using app::StartError;

// The connection broke: the compositor went away or ended it. what() is
// one line.
class LostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class WaylandHost : public SurfaceHost {
public:
    // Connects to the compositor WAYLAND_DISPLAY names, binds its globals
    // and makes a surface for each output (or the window), each with its
    // form once the compositor has sized them all. Throws StartError.
    explicit WaylandHost(const app::WaylandOptions& options);
    ~WaylandHost();
    WaylandHost(const WaylandHost&) = delete;
    WaylandHost& operator=(const WaylandHost&) = delete;

    // Runs until a key, a double click or a window's close ends the saver
    // (status 0), or a signal arrives on `signalFd` (a signalfd). Throws
    // LostError.
    app::HostEnd Run(int signalFd);

    // An output and the host its done event goes to.
    struct HostOutput : Output {
        WaylandHost* Host = nullptr;
    };

    // SurfaceHost
    void SurfaceClosed(StageSurface& surface) override;
    void Quit() override { quit_ = true; }
    const Output* OutputOf(wl_output* proxy) const override;

    // The compositor's events.
    void Global(std::uint32_t name, const char* interface, std::uint32_t version);
    void GlobalRemoved(std::uint32_t name);
    void OutputDone(Output& output);
    void SeatCapabilities(std::uint32_t capabilities);
    void Keymap(int fd, std::uint32_t size);
    void KeyboardEnter(wl_surface* surface) { keyboardFocus_ = SurfaceOf(surface); }
    void KeyboardLeave() { keyboardFocus_ = nullptr; }
    void Key(std::uint32_t key, bool pressed);
    void Modifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked, std::uint32_t group);
    void PointerEnter(wl_surface* surface, std::int32_t x, std::int32_t y);
    void PointerLeave() { pointerFocus_ = nullptr; }
    void PointerMotion(std::int32_t x, std::int32_t y);
    void PointerButton(std::uint32_t timeMs, std::uint32_t button, bool pressed);

private:
    // Runs what is due by `now`: the stages that settled, the frames due.
    // The monotonic nanosecond of the next thing due, 0 for none, or `now`
    // where frames ran.
    std::uint64_t RunDue(std::uint64_t now);
    // Sleeps on the compositor's socket and the signals until `deadline`
    // (0: no end), and reads what came.
    void Wait(std::uint64_t deadline, int signalFd, app::HostEnd& end);
    void Roundtrip();
    // Surfaces and outputs gone since the last round of events, let go of.
    void DropClosed();
    // Forms for surfaces the compositor has sized since the first forms.
    void FormLateSurfaces();
    StageSurface* SurfaceOf(wl_surface* surface) const;
    void AddSurface(Output* output);
    int MonitorOf(const StageSurface& surface) const;
    [[noreturn]] void Lost();

    app::WaylandOptions options_;
    figure::Surface title_;
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    Globals globals_;
    bool useLayerShell_ = true;  // VIDIDER_SHELL=xdg leaves it out, for testing
    wl_seat* seat_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    wl_pointer* pointer_ = nullptr;
    xkb_context* xkb_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* keyState_ = nullptr;

    // The forms' group outlives the surfaces that hold the forms.
    saver::FormGroup group_;
    // In the order the compositor told of them: the first is the primary's.
    std::vector<std::unique_ptr<HostOutput>> outputs_;
    std::vector<std::unique_ptr<StageSurface>> surfaces_;
    std::vector<StageSurface*> closed_;
    std::vector<std::uint32_t> outputsGone_;
    bool started_ = false;  // the first forms are made and activated

    StageSurface* keyboardFocus_ = nullptr;
    StageSurface* pointerFocus_ = nullptr;
    std::int32_t pointerX_ = 0, pointerY_ = 0;
    bool quit_ = false;
};

}  // namespace wayland
