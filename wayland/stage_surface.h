// One surface of vidider-wayland with its form: a layer surface, a
// fullscreen toplevel or a window, its shared-memory buffers at the output's
// pixels, and the pointer on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_rate.h"
#include "app/wayland_options.h"
#include "figure/surface.h"
#include "saver/form_group.h"
#include "saver/input.h"
#include "saver/pointer_filter.h"
#include "saver/saver_window.h"
#include "saver/settle.h"
#include "saver/widen.h"
#include "wayland/shm_buffer.h"
#include "wayland/surface_layout.h"
#include "platform/posix/posix_platform.h"

struct wl_callback;
struct wl_compositor;
struct wl_output;
struct wl_shm;
struct wl_surface;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;
struct wp_viewport;
struct wp_viewporter;
struct xdg_surface;
struct xdg_toplevel;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;

namespace wayland {

// The compositor's globals a surface is made with; the optional ones are
// null where the compositor lacks them.
struct Globals {
    wl_compositor* Compositor = nullptr;
    wl_shm* Shm = nullptr;
    zwlr_layer_shell_v1* LayerShell = nullptr;
    xdg_wm_base* WmBase = nullptr;
    wp_viewporter* Viewporter = nullptr;
    wp_fractional_scale_manager_v1* FractionalScale = nullptr;
};

// An output as its wl_output tells of it.
struct Output {
    wl_output* Proxy = nullptr;
    std::uint32_t Global = 0;  // its name in the registry
    std::string Name;          // "HEADLESS-1", "DP-2"; empty before wl_output 4
    int ModeWidth = 0, ModeHeight = 0;
    int Transform = 0;
    int Scale = 1;
    bool Done = false;  // the first round of its properties has come
    // Its size in pixels as it shows them, turned as it is.
    int PixelWidth() const { return Transform % 2 != 0 ? ModeHeight : ModeWidth; }
    int PixelHeight() const { return Transform % 2 != 0 ? ModeWidth : ModeHeight; }
};

// What a surface needs of the host.
class SurfaceHost {
public:
    // A surface is done with: its output went, or the compositor closed it.
    virtual void SurfaceClosed(class StageSurface& surface) = 0;
    // The application ends (a form's close).
    virtual void Quit() = 0;
    // The output a window's surface lies on; null before it is shown.
    virtual const Output* OutputOf(wl_output* proxy) const = 0;

protected:
    ~SurfaceHost() = default;
};

class StageSurface : public platform::WindowHost {
public:
    // A surface on `output` (none: an ordinary window) in the role the
    // options give, committed without a buffer: its first configure gives
    // it its size. Throws std::runtime_error, one line, where the role
    // cannot be had.
    StageSurface(SurfaceHost& host, const Globals& globals, const app::WaylandOptions& options,
                 const figure::Surface* title, Output* output);
    ~StageSurface();
    StageSurface(const StageSurface&) = delete;
    StageSurface& operator=(const StageSurface&) = delete;

    // The compositor has told it its size: it can get a form.
    bool Configured() const { return configured_; }
    // Makes its form, monitor `monitor` of `group`, sized and scaled as the
    // surface is now; the primary's takes `seed` where one is given. Throws
    // std::runtime_error where there is no memory for its stage.
    void CreateForm(saver::FormGroup& group, int monitor, std::optional<std::uint32_t> seed);
    saver::TForm1* Form() const { return form_.get(); }
    Output* OnOutput() const { return output_; }
    wl_surface* Surface() const { return surface_; }

    // The output's scale or size changed.
    void OutputChanged() { Relayout(); }
    // The form's frames run: it has one and the compositor is ready for
    // the next (a surface that shows nothing gets no frame callback, and
    // its form sleeps until it shows again); with --frames, until the last.
    bool Animating() const;
    // The stage made anew for the surface's size, once its changes settled.
    void Settle(figure::Tick now);
    std::uint32_t SettleWaitMs(figure::Tick now) const { return settle_.WaitMs(now); }
    // Takes a new frame-rate reading when one is due; when the next is due.
    void UpdateFrameRate(std::uint64_t nowNs);
    std::uint64_t NextFrameRateNs() const { return options_.Fps ? frameRate_.NextReadingNs() : 0; }

    // Input, in surface coordinates (1/256 pixel).
    void PointerMotion(std::int32_t x, std::int32_t y);
    void PointerButton(std::uint32_t button, std::uint32_t timeMs, std::int32_t x, std::int32_t y);

    // platform::WindowHost
    void RepaintImage(bool now) override;
    void Terminate() override { host_.Quit(); }

    // The compositor's events.
    void Configure(int width, int height);
    // A toplevel's size comes before the configure it belongs to.
    void ToplevelSize(int width, int height)
    {
        toplevelWidth_ = width;
        toplevelHeight_ = height;
    }
    void ConfigureToplevel() { Configure(toplevelWidth_, toplevelHeight_); }
    void PreferredScale(int scale120);
    void Entered(wl_output* output);
    void Left(wl_output* output);
    void FrameDone();
    void Closed() { host_.SurfaceClosed(*this); }
    void CloseRequested();
    void BufferReleased() { if (dirty_) Present(); }

private:
    // The buffer and scale for the surface's size and output now; a form
    // whose window changed shows its stage centred at once and gets a new
    // one once the changes settle.
    void Relayout();
    // The surface's scale in 120ths: what the compositor prefers, the
    // output's, or for a window the largest of its outputs'; `cover` is
    // set where the buffer covers the output at its pixels.
    int ChooseScale120(std::optional<CoverLayout>& cover) const;
    int FigureScale() const;
    // A buffer the compositor let go, made where needed; none where every
    // buffer is held or none can be made.
    ShmBuffer* ReleasedBuffer();
    // The form's frame into `buffer`.
    void Paint(ShmBuffer& buffer);
    // The form's picture into a released buffer, attached and committed;
    // where the last frame is not yet shown, or every buffer is held, it
    // waits for the compositor.
    void Present();
    void PaintFrameRate(ShmBuffer& buffer);
    void SayStage() const;

    SurfaceHost& host_;
    Globals globals_;
    const app::WaylandOptions& options_;
    const figure::Surface* title_;
    Output* output_;  // none for a window
    std::vector<wl_output*> entered_;

    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layer_ = nullptr;
    xdg_surface* xdgSurface_ = nullptr;
    xdg_toplevel* toplevel_ = nullptr;
    wp_viewport* viewport_ = nullptr;
    wp_fractional_scale_v1* fractional_ = nullptr;
    wl_callback* frame_ = nullptr;  // the last frame's, until the compositor has shown it

    int toplevelWidth_ = 0, toplevelHeight_ = 0;
    bool configured_ = false;
    int logicalWidth_ = 0, logicalHeight_ = 0;
    int preferredScale_ = 0;  // fractional-scale-v1's, in 120ths; 0: not told
    int scale120_ = kScaleUnit;
    BufferLayout layout_;
    // Counts the layouts, so that a buffer knows whether it shows this one.
    std::uint64_t layoutSerial_ = 0;
    std::vector<std::unique_ptr<ShmBuffer>> buffers_;
    saver::PixelWidener widener_;
    // The frame-rate box as the last reading shows it, and its widener.
    saver::PixelWidener boxWidener_;
    figure::Surface frameRateBox_;
    bool dirty_ = false;  // the form's picture has changed since the last commit

    platform::posix::PosixPlatform platform_;
    std::unique_ptr<saver::TForm1> form_;
    saver::FormGroup* group_ = nullptr;
    saver::SettleTimer settle_;
    saver::PointerFilter pointer_;
    saver::DoubleClick doubleClick_;
    app::FrameRateMeter frameRate_;
};

}  // namespace wayland
