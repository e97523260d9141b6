#include "wayland/wayland_host.h"

#include <poll.h>
#include <sys/mman.h>
#include <sys/signalfd.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fractional-scale-v1-client-protocol.h"
#include "saver/input.h"
#include "resources/title.h"
#include "viewporter-client-protocol.h"
#include "wayland/layer_shell.h"
#include "xdg-shell-client-protocol.h"

namespace wayland {
namespace {

WaylandHost& Of(void* data) { return *static_cast<WaylandHost*>(data); }

void Global(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version)
{
    Of(data).Global(name, interface, version);
}
void GlobalRemove(void* data, wl_registry*, std::uint32_t name) { Of(data).GlobalRemoved(name); }
const wl_registry_listener kRegistryListener = {Global, GlobalRemove};

void Ping(void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener kWmBaseListener = {Ping};

// An output's properties; the host is told when a round of them is done.
struct OutputEvents {
    static Output& Of(void* data) { return *static_cast<Output*>(data); }
    static void Geometry(void* data, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                         const char*, const char*, std::int32_t transform)
    {
        Of(data).Transform = transform;
    }
    static void Mode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height, std::int32_t)
    {
        if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
        Of(data).ModeWidth = width;
        Of(data).ModeHeight = height;
    }
    // No output is scaled by more than 16; a compositor that says more is
    // taken at 16, so that no size it makes can overflow.
    static void Scale(void* data, wl_output*, std::int32_t factor) { Of(data).Scale = std::clamp(factor, 1, 16); }
    static void Name(void* data, wl_output*, const char* name) { Of(data).Name = name; }
    static void Description(void*, wl_output*, const char*) {}
};
void OutputDone(void* data, wl_output*)
{
    auto& output = *static_cast<WaylandHost::HostOutput*>(data);
    output.Host->OutputDone(output);
}
const wl_output_listener kOutputListener = {OutputEvents::Geometry, OutputEvents::Mode, OutputDone,
                                            OutputEvents::Scale,    OutputEvents::Name, OutputEvents::Description};

void Capabilities(void* data, wl_seat*, std::uint32_t capabilities) { Of(data).SeatCapabilities(capabilities); }
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {Capabilities, SeatName};

void Keymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size)
{
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1)
        Of(data).Keymap(fd, size);
    else
        close(fd);
}
void KeyboardEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*)
{
    Of(data).KeyboardEnter(surface);
}
void KeyboardLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface*) { Of(data).KeyboardLeave(); }
void Key(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t state)
{
    Of(data).Key(key, state == WL_KEYBOARD_KEY_STATE_PRESSED);
}
void Modifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
               std::uint32_t locked, std::uint32_t group)
{
    Of(data).Modifiers(depressed, latched, locked, group);
}
void RepeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
const wl_keyboard_listener kKeyboardListener = {Keymap, KeyboardEnter, KeyboardLeave, Key, Modifiers, RepeatInfo};

void PointerEnter(void* data, wl_pointer* pointer, std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y)
{
    // The saver shows no cursor over its moire.
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
    Of(data).PointerEnter(surface, x, y);
}
void PointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*) { Of(data).PointerLeave(); }
void PointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) { Of(data).PointerMotion(x, y); }
void PointerButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t time, std::uint32_t button, std::uint32_t state)
{
    Of(data).PointerButton(time, button, state == WL_POINTER_BUTTON_STATE_PRESSED);
}
void PointerAxis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
void PointerFrame(void*, wl_pointer*) {}
void PointerAxisSource(void*, wl_pointer*, std::uint32_t) {}
void PointerAxisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
void PointerAxisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
const wl_pointer_listener kPointerListener = {PointerEnter,      PointerLeave,    PointerMotion,       PointerButton,
                                              PointerAxis,       PointerFrame,    PointerAxisSource,   PointerAxisStop,
                                              PointerAxisDiscrete, PointerAxisDiscrete};

// The versions this program speaks, at most.
constexpr std::uint32_t kCompositorVersion = 4, kSeatVersion = 5, kOutputVersion = 4, kLayerShellVersion = 4;

template <class Proxy>
Proxy* Bind(wl_registry* registry, std::uint32_t name, const wl_interface& interface, std::uint32_t offered,
            std::uint32_t most)
{
    return static_cast<Proxy*>(wl_registry_bind(registry, name, &interface, std::min(offered, most)));
}

// Lets go of an object of the seat or an output: by its release request
// where the compositor's version has one, else on the client's side alone.
template <class Proxy>
void LetGo(Proxy*& proxy, std::uint32_t releaseSince, void (*release)(Proxy*), void (*destroy)(Proxy*))
{
    if (proxy == nullptr) return;
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(proxy)) >= releaseSince)
        release(proxy);
    else
        destroy(proxy);
    proxy = nullptr;
}

}  // namespace

WaylandHost::WaylandHost(const app::WaylandOptions& options) : options_(options), title_(vidider::LoadTitlePicture())
{
    if (const char* shell = std::getenv("VIDIDER_SHELL"); shell != nullptr && *shell != '\0') {
        const std::string asked = shell;
        if (asked != "layer" && asked != "xdg")
            throw StartError("VIDIDER_SHELL takes layer or xdg, not '" + asked + "'");
        useLayerShell_ = asked == "layer";
    }
    display_ = wl_display_connect(nullptr);
    if (display_ == nullptr) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        throw StartError(std::string("cannot connect to the Wayland compositor '") +
                         (name != nullptr && *name != '\0' ? name : "wayland-0") + "'" +
                         (name == nullptr ? " (WAYLAND_DISPLAY is not set)" : ""));
    }
    xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kRegistryListener, this);
    Roundtrip();
    if (globals_.Compositor == nullptr || globals_.Shm == nullptr)
        throw StartError("the compositor offers no wl_compositor or no wl_shm");
    // The outputs' and the seat's properties.
    Roundtrip();
    if (options_.Where == app::WaylandOptions::Mode::Window) {
        try {
            AddSurface(nullptr);
        } catch (const std::runtime_error& e) {
            throw StartError(e.what());
        }
    }
    // Every surface sized before the forms are made, in the outputs' order:
    // the first output's form is the primary's.
    for (int round = 0; round < 10; ++round) {
        if (std::all_of(surfaces_.begin(), surfaces_.end(), [](const auto& s) { return s->Configured(); })) break;
        Roundtrip();
    }
    DropClosed();
    for (auto& surface : surfaces_)
        if (surface->Configured()) surface->CreateForm(group_, MonitorOf(*surface), options_.Seed);
    group_.Activate();
    started_ = true;
}

WaylandHost::~WaylandHost()
{
    // The primary's form goes last: it holds what the process holds.
    while (!surfaces_.empty()) surfaces_.pop_back();
    if (keyState_ != nullptr) xkb_state_unref(keyState_);
    if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
    if (xkb_ != nullptr) xkb_context_unref(xkb_);
    if (display_ == nullptr) return;
    LetGo(keyboard_, WL_KEYBOARD_RELEASE_SINCE_VERSION, wl_keyboard_release, wl_keyboard_destroy);
    LetGo(pointer_, WL_POINTER_RELEASE_SINCE_VERSION, wl_pointer_release, wl_pointer_destroy);
    LetGo(seat_, WL_SEAT_RELEASE_SINCE_VERSION, wl_seat_release, wl_seat_destroy);
    for (auto& output : outputs_) LetGo(output->Proxy, WL_OUTPUT_RELEASE_SINCE_VERSION, wl_output_release, wl_output_destroy);
    if (globals_.FractionalScale != nullptr) wp_fractional_scale_manager_v1_destroy(globals_.FractionalScale);
    if (globals_.Viewporter != nullptr) wp_viewporter_destroy(globals_.Viewporter);
    if (globals_.WmBase != nullptr) xdg_wm_base_destroy(globals_.WmBase);
    if (globals_.LayerShell != nullptr) {
        if (zwlr_layer_shell_v1_get_version(globals_.LayerShell) >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)
            zwlr_layer_shell_v1_destroy(globals_.LayerShell);
        else
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(globals_.LayerShell));
    }
    if (globals_.Shm != nullptr) wl_shm_destroy(globals_.Shm);
    if (globals_.Compositor != nullptr) wl_compositor_destroy(globals_.Compositor);
    wl_registry_destroy(registry_);
    wl_display_flush(display_);
    wl_display_disconnect(display_);
}

void WaylandHost::Roundtrip()
{
    if (wl_display_roundtrip(display_) < 0) Lost();
}

void WaylandHost::Lost()
{
    const int error = wl_display_get_error(display_);
    if (error == EPROTO) {
        const wl_interface* interface = nullptr;
        std::uint32_t id = 0;
        const std::uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
        throw LostError("the compositor ended the connection for a protocol error (" +
                        std::string(interface != nullptr ? interface->name : "an object") + ", code " +
                        std::to_string(code) + ")");
    }
    throw LostError("the compositor went away");
}

void WaylandHost::Global(std::uint32_t name, const char* interface, std::uint32_t version)
{
    const std::string which = interface;
    if (which == wl_compositor_interface.name) {
        globals_.Compositor = Bind<wl_compositor>(registry_, name, wl_compositor_interface, version, kCompositorVersion);
    } else if (which == wl_shm_interface.name) {
        globals_.Shm = Bind<wl_shm>(registry_, name, wl_shm_interface, version, 1);
    } else if (which == zwlr_layer_shell_v1_interface.name && useLayerShell_) {
        globals_.LayerShell =
            Bind<zwlr_layer_shell_v1>(registry_, name, zwlr_layer_shell_v1_interface, version, kLayerShellVersion);
    } else if (which == xdg_wm_base_interface.name) {
        globals_.WmBase = Bind<xdg_wm_base>(registry_, name, xdg_wm_base_interface, version, 1);
        xdg_wm_base_add_listener(globals_.WmBase, &kWmBaseListener, this);
    } else if (which == wp_viewporter_interface.name) {
        globals_.Viewporter = Bind<wp_viewporter>(registry_, name, wp_viewporter_interface, version, 1);
    } else if (which == wp_fractional_scale_manager_v1_interface.name) {
        globals_.FractionalScale = Bind<wp_fractional_scale_manager_v1>(
            registry_, name, wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (which == wl_seat_interface.name && seat_ == nullptr) {
        seat_ = Bind<wl_seat>(registry_, name, wl_seat_interface, version, kSeatVersion);
        wl_seat_add_listener(seat_, &kSeatListener, this);
    } else if (which == wl_output_interface.name) {
        auto output = std::make_unique<HostOutput>();
        output->Host = this;
        output->Global = name;
        output->Proxy = Bind<wl_output>(registry_, name, wl_output_interface, version, kOutputVersion);
        wl_output_add_listener(output->Proxy, &kOutputListener, output.get());
        outputs_.push_back(std::move(output));
    }
}

void WaylandHost::GlobalRemoved(std::uint32_t name)
{
    auto output = std::find_if(outputs_.begin(), outputs_.end(), [&](const auto& o) { return o->Global == name; });
    if (output == outputs_.end()) return;
    for (auto& surface : surfaces_)
        if (surface->OnOutput() == output->get()) SurfaceClosed(*surface);
    outputsGone_.push_back(name);
}

void WaylandHost::OutputDone(Output& output)
{
    const bool first = !output.Done;
    output.Done = true;
    if (options_.Where == app::WaylandOptions::Mode::Window) {
        for (auto& surface : surfaces_) surface->OutputChanged();
        return;
    }
    if (!first) {
        for (auto& surface : surfaces_)
            if (surface->OnOutput() == &output) surface->OutputChanged();
        return;
    }
    try {
        AddSurface(&output);
    } catch (const std::runtime_error& e) {
        if (!started_) throw StartError(e.what());
        throw LostError(e.what());
    }
}

void WaylandHost::AddSurface(Output* output)
{
    surfaces_.push_back(std::make_unique<StageSurface>(*this, globals_, options_, &title_, output));
}

const Output* WaylandHost::OutputOf(wl_output* proxy) const
{
    for (const auto& output : outputs_)
        if (output->Proxy == proxy) return output.get();
    return nullptr;
}

int WaylandHost::MonitorOf(const StageSurface& surface) const
{
    for (std::size_t k = 0; k < outputs_.size(); ++k)
        if (outputs_[k].get() == surface.OnOutput()) return int(k);
    return 0;
}

StageSurface* WaylandHost::SurfaceOf(wl_surface* surface) const
{
    for (const auto& s : surfaces_)
        if (s->Surface() == surface) return s.get();
    return nullptr;
}

void WaylandHost::SurfaceClosed(StageSurface& surface)
{
    if (std::find(closed_.begin(), closed_.end(), &surface) == closed_.end()) closed_.push_back(&surface);
}

void WaylandHost::DropClosed()
{
    for (StageSurface* gone : closed_) {
        if (keyboardFocus_ == gone) keyboardFocus_ = nullptr;
        if (pointerFocus_ == gone) pointerFocus_ = nullptr;
        surfaces_.erase(std::remove_if(surfaces_.begin(), surfaces_.end(), [&](const auto& s) { return s.get() == gone; }),
                        surfaces_.end());
    }
    closed_.clear();
    for (std::uint32_t name : outputsGone_) {
        auto output = std::find_if(outputs_.begin(), outputs_.end(), [&](const auto& o) { return o->Global == name; });
        if (output == outputs_.end()) continue;
        LetGo((*output)->Proxy, WL_OUTPUT_RELEASE_SINCE_VERSION, wl_output_release, wl_output_destroy);
        outputs_.erase(output);
    }
    outputsGone_.clear();
}

void WaylandHost::FormLateSurfaces()
{
    for (auto& surface : surfaces_) {
        if (surface->Form() != nullptr || !surface->Configured()) continue;
        surface->CreateForm(group_, MonitorOf(*surface), options_.Seed);
        surface->Form()->FormActivate();
    }
}

void WaylandHost::SeatCapabilities(std::uint32_t capabilities)
{
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (keyboard && keyboard_ == nullptr) {
        keyboard_ = wl_seat_get_keyboard(seat_);
        wl_keyboard_add_listener(keyboard_, &kKeyboardListener, this);
    } else if (!keyboard && keyboard_ != nullptr) {
        LetGo(keyboard_, WL_KEYBOARD_RELEASE_SINCE_VERSION, wl_keyboard_release, wl_keyboard_destroy);
        keyboardFocus_ = nullptr;
    }
    if (pointer && pointer_ == nullptr) {
        pointer_ = wl_seat_get_pointer(seat_);
        wl_pointer_add_listener(pointer_, &kPointerListener, this);
    } else if (!pointer && pointer_ != nullptr) {
        LetGo(pointer_, WL_POINTER_RELEASE_SINCE_VERSION, wl_pointer_release, wl_pointer_destroy);
        pointerFocus_ = nullptr;
    }
}

void WaylandHost::Keymap(int fd, std::uint32_t size)
{
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (text == MAP_FAILED) return;
    xkb_keymap* keymap = xkb_keymap_new_from_buffer(xkb_, static_cast<const char*>(text), strnlen(static_cast<const char*>(text), size),
                                                    XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(text, size);
    if (keymap == nullptr) return;
    if (keyState_ != nullptr) xkb_state_unref(keyState_);
    if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
    keymap_ = keymap;
    keyState_ = xkb_state_new(keymap_);
}

void WaylandHost::Key(std::uint32_t key, bool pressed)
{
    // A key the keymap does not name still ends the saver: it is key 0.
    const std::uint32_t keysym = keyState_ != nullptr ? xkb_state_key_get_one_sym(keyState_, key + 8) : 0;
    StageSurface* to = keyboardFocus_;
    saver::TForm1* form = to != nullptr && to->Form() != nullptr ? to->Form() : group_.Primary();
    if (form == nullptr) return;
    if (pressed)
        form->FormKeyDown(saver::VirtualKeyOf(keysym));
    else
        form->FormKeyUp(saver::VirtualKeyOf(keysym));
}

void WaylandHost::Modifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked, std::uint32_t group)
{
    if (keyState_ != nullptr) xkb_state_update_mask(keyState_, depressed, latched, locked, 0, 0, group);
}

void WaylandHost::PointerEnter(wl_surface* surface, std::int32_t x, std::int32_t y)
{
    pointerFocus_ = SurfaceOf(surface);
    PointerMotion(x, y);
}

void WaylandHost::PointerMotion(std::int32_t x, std::int32_t y)
{
    pointerX_ = x;
    pointerY_ = y;
    if (pointerFocus_ != nullptr) pointerFocus_->PointerMotion(x, y);
}

void WaylandHost::PointerButton(std::uint32_t timeMs, std::uint32_t button, bool pressed)
{
    if (pressed && pointerFocus_ != nullptr) pointerFocus_->PointerButton(button, timeMs, pointerX_, pointerY_);
}

app::HostEnd WaylandHost::Run(int signalFd)
{
    app::HostEnd end;
    while (!quit_) {
        if (wl_display_dispatch_pending(display_) < 0) Lost();
        DropClosed();
        FormLateSurfaces();
        if (quit_) break;
        const std::uint64_t now = platform::posix::MonotonicNs();
        const std::uint64_t deadline = RunDue(now);
        if (deadline == now) continue;
        Wait(deadline, signalFd, end);
    }
    // What the last requests said (the surfaces hidden) reaches the
    // compositor before the connection closes.
    wl_display_flush(display_);
    return end;
}

std::uint64_t WaylandHost::RunDue(std::uint64_t now)
{
    const figure::Tick tick = platform::posix::TickOf(now);
    std::uint64_t deadline = 0;  // 0: none
    auto due = [&](std::uint64_t at) {
        if (deadline == 0 || at < deadline) deadline = at;
    };
    // The clock reads the due tick from the first nanosecond of it.
    auto dueInMs = [&](std::uint32_t ms) { due((now / 1000000u + ms) * 1000000u); };
    for (auto& surface : surfaces_) {
        surface->Settle(tick);
        if (const std::uint32_t wait = surface->SettleWaitMs(tick); wait != 0xFFFFFFFFu) dueInMs(wait);
        // The frame rate is read on every pass, also where frames take all
        // of it (--delay 0).
        surface->UpdateFrameRate(now);
        if (const std::uint64_t next = surface->NextFrameRateNs(); next != 0) due(next);
    }
    // One reading of the clock for every form: the outputs' frames come on
    // the same tick. A form whose last frame the compositor has not shown
    // yet waits for it: a surface nobody sees sleeps.
    bool ran = false;
    for (auto& surface : surfaces_) {
        if (!surface->Animating()) continue;
        const std::uint32_t wait = surface->Form()->FrameWaitMs(tick);
        if (wait != 0) {
            dueInMs(wait);
            continue;
        }
        // An error ends that form's frame, as the framework's idle
        // processing would; the other outputs still get theirs.
        try {
            bool done = false;
            surface->Form()->AnimeLoop(done, tick);
        } catch (...) {
        }
        ran = true;
    }
    return ran ? now : deadline;
}

void WaylandHost::Wait(std::uint64_t deadline, int signalFd, app::HostEnd& end)
{
    pollfd waits[2] = {{wl_display_get_fd(display_), POLLIN, 0}, {signalFd, POLLIN, 0}};
    while (wl_display_prepare_read(display_) != 0)
        if (wl_display_dispatch_pending(display_) < 0) Lost();
    if (wl_display_flush(display_) < 0) {
        if (errno != EAGAIN) {
            wl_display_cancel_read(display_);
            Lost();
        }
        waits[0].events |= POLLOUT;  // the socket is full: wait until it takes more
    }
    timespec timeout{};
    const std::uint64_t later = platform::posix::MonotonicNs();
    if (deadline > later) {
        timeout.tv_sec = time_t((deadline - later) / 1000000000u);
        timeout.tv_nsec = long((deadline - later) % 1000000000u);
    }
    ppoll(waits, 2, deadline != 0 ? &timeout : nullptr, nullptr);
    if (waits[0].revents & (POLLIN | POLLHUP | POLLERR))
        if (wl_display_read_events(display_) < 0) Lost();
    if (!(waits[0].revents & (POLLIN | POLLHUP | POLLERR))) wl_display_cancel_read(display_);
    if (waits[1].revents & POLLIN) {
        signalfd_siginfo signal;
        if (read(signalFd, &signal, sizeof signal) == ssize_t(sizeof signal)) {
            end.Signal = int(signal.ssi_signo);
            quit_ = true;
        }
    }
}

}  // namespace wayland
