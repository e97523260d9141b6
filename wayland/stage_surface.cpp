#include "wayland/stage_surface.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "fractional-scale-v1-client-protocol.h"
#include "saver/frame.h"
#include "saver/input.h"
#include "viewporter-client-protocol.h"
#include "wayland/layer_shell.h"
#include "xdg-shell-client-protocol.h"

namespace wayland {
namespace {

// XRGB8888 as the buffer's memory holds it, read as a number: the unused
// byte set, so that the pixels are opaque also where it is read as alpha.
constexpr std::uint32_t kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu;

// The window's size until the compositor says another.
constexpr int kWindowWidth = 1024, kWindowHeight = 768;

StageSurface& Of(void* data) { return *static_cast<StageSurface*>(data); }

void Enter(void* data, wl_surface*, wl_output* output) { Of(data).Entered(output); }
void Leave(void* data, wl_surface*, wl_output* output) { Of(data).Left(output); }
const wl_surface_listener kSurfaceListener = {Enter, Leave};

void LayerConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
                    std::uint32_t height)
{
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    Of(data).Configure(int(std::min<std::uint32_t>(width, 0x7FFF)), int(std::min<std::uint32_t>(height, 0x7FFF)));
}
void LayerClosed(void* data, zwlr_layer_surface_v1*) { Of(data).Closed(); }
const zwlr_layer_surface_v1_listener kLayerListener = {LayerConfigure, LayerClosed};

void ToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*)
{
    Of(data).ToplevelSize(std::clamp(width, 0, 0x7FFF), std::clamp(height, 0, 0x7FFF));
}
void ToplevelClose(void* data, xdg_toplevel*) { Of(data).CloseRequested(); }
const xdg_toplevel_listener kToplevelListener = {ToplevelConfigure, ToplevelClose, nullptr, nullptr};

void XdgConfigure(void* data, xdg_surface* surface, std::uint32_t serial)
{
    xdg_surface_ack_configure(surface, serial);
    Of(data).ConfigureToplevel();
}
const xdg_surface_listener kXdgSurfaceListener = {XdgConfigure};

void PreferredScale(void* data, wp_fractional_scale_v1*, std::uint32_t scale)
{
    Of(data).PreferredScale(int(std::min<std::uint32_t>(scale, 16 * kScaleUnit)));  // as wl_output's, at most 16
}
const wp_fractional_scale_v1_listener kFractionalListener = {PreferredScale};

void FrameShown(void* data, wl_callback*, std::uint32_t) { Of(data).FrameDone(); }
const wl_callback_listener kFrameListener = {FrameShown};

std::string ScaleText(int scale120)
{
    char text[16];
    if (scale120 % kScaleUnit == 0)
        std::snprintf(text, sizeof text, "%d", scale120 / kScaleUnit);
    else
        std::snprintf(text, sizeof text, "%.4g", double(scale120) / kScaleUnit);
    return text;
}

}  // namespace

StageSurface::StageSurface(SurfaceHost& host, const Globals& globals, const app::WaylandOptions& options,
                           const figure::Surface* title, Output* output)
    : host_(host), globals_(globals), options_(options), title_(title), output_(output),
      widener_(kBlack, kWhite, 1), boxWidener_(kBlack, kWhite, 1), frameRateBox_(app::FrameRateBox(std::nullopt)),
      platform_({{{std::string(saver::kSettingsKey), std::string(saver::kSleepTimeValue)},
                  {platform::ValueKind::Dword, {}, options.SleepTime}}})
{
    surface_ = wl_compositor_create_surface(globals.Compositor);
    wl_surface_add_listener(surface_, &kSurfaceListener, this);
    if (globals.Viewporter != nullptr) viewport_ = wp_viewporter_get_viewport(globals.Viewporter, surface_);
    if (globals.FractionalScale != nullptr) {
        fractional_ = wp_fractional_scale_manager_v1_get_fractional_scale(globals.FractionalScale, surface_);
        wp_fractional_scale_v1_add_listener(fractional_, &kFractionalListener, this);
    }
    const bool window = options.Where == app::WaylandOptions::Mode::Window;
    if (!window && globals.LayerShell != nullptr) {
        const bool background = options.Where == app::WaylandOptions::Mode::Background;
        layer_ = zwlr_layer_shell_v1_get_layer_surface(
            globals.LayerShell, surface_, output != nullptr ? output->Proxy : nullptr,
            background ? ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND : ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "vidider");
        zwlr_layer_surface_v1_add_listener(layer_, &kLayerListener, this);
        zwlr_layer_surface_v1_set_anchor(layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_size(layer_, 0, 0);
        // Over the panels, not moved aside by them.
        zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            layer_, background ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE
                               : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    } else if (options.Where != app::WaylandOptions::Mode::Background && globals.WmBase != nullptr) {
        xdgSurface_ = xdg_wm_base_get_xdg_surface(globals.WmBase, surface_);
        xdg_surface_add_listener(xdgSurface_, &kXdgSurfaceListener, this);
        toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
        xdg_toplevel_add_listener(toplevel_, &kToplevelListener, this);
        xdg_toplevel_set_title(toplevel_, "vidider");
        xdg_toplevel_set_app_id(toplevel_, "vidider");
        if (!window) xdg_toplevel_set_fullscreen(toplevel_, output != nullptr ? output->Proxy : nullptr);
    } else {
        wl_surface_destroy(surface_);
        surface_ = nullptr;
        throw std::runtime_error(options.Where == app::WaylandOptions::Mode::Background
                                     ? "the compositor has no layer shell (zwlr_layer_shell_v1): --background needs it"
                                     : "the compositor has neither a layer shell nor xdg_wm_base: no surface to show");
    }
    wl_surface_commit(surface_);
}

StageSurface::~StageSurface()
{
    if (form_) {
        if (group_ != nullptr) group_->Remove(*form_);
        form_->FormDestroy();
        form_.reset();
    }
    buffers_.clear();
    if (frame_ != nullptr) wl_callback_destroy(frame_);
    if (fractional_ != nullptr) wp_fractional_scale_v1_destroy(fractional_);
    if (viewport_ != nullptr) wp_viewport_destroy(viewport_);
    if (layer_ != nullptr) zwlr_layer_surface_v1_destroy(layer_);
    if (toplevel_ != nullptr) xdg_toplevel_destroy(toplevel_);
    if (xdgSurface_ != nullptr) xdg_surface_destroy(xdgSurface_);
    if (surface_ != nullptr) wl_surface_destroy(surface_);
}

void StageSurface::Configure(int width, int height)
{
    if (width <= 0 || height <= 0) {
        // The client's choice: a window keeps its size; a surface that
        // covers an output takes the output's.
        if (output_ != nullptr && output_->Scale > 0 && !configured_) {
            width = std::max(1, output_->PixelWidth() / output_->Scale);
            height = std::max(1, output_->PixelHeight() / output_->Scale);
        } else {
            width = configured_ ? logicalWidth_ : kWindowWidth;
            height = configured_ ? logicalHeight_ : kWindowHeight;
        }
    }
    const bool first = !configured_;
    configured_ = true;
    logicalWidth_ = width;
    logicalHeight_ = height;
    Relayout();
    // A new size must be answered by a commit: the last picture, in the
    // new size.
    if (!first && form_) {
        dirty_ = true;
        Present();
    }
}

void StageSurface::PreferredScale(int scale120)
{
    preferredScale_ = scale120;
    Relayout();
}

void StageSurface::Entered(wl_output* output)
{
    if (std::find(entered_.begin(), entered_.end(), output) == entered_.end()) entered_.push_back(output);
    if (output_ == nullptr) Relayout();
}

void StageSurface::Left(wl_output* output)
{
    entered_.erase(std::remove(entered_.begin(), entered_.end(), output), entered_.end());
    if (output_ == nullptr) Relayout();
}

int StageSurface::ChooseScale120(std::optional<CoverLayout>& cover) const
{
    if (preferredScale_ > 0) return preferredScale_;
    if (output_ != nullptr) {
        // A compositor that scales outputs by fractions without telling its
        // clients (no fractional-scale-v1) shows a surface that covers the
        // output at the output's size: a buffer of the output's pixels
        // through a viewport reaches them one to one, where one drawn at
        // the whole scale it tells would be resampled.
        if (viewport_ != nullptr)
            cover = LayoutOfCover(output_->PixelWidth(), output_->PixelHeight(), logicalWidth_, logicalHeight_,
                                  std::max(1, output_->Scale));
        return cover ? cover->Scale120 : std::max(1, output_->Scale) * kScaleUnit;
    }
    // A window: the largest scale of the outputs it lies on.
    int whole = 1;
    for (wl_output* proxy : entered_)
        if (const Output* on = host_.OutputOf(proxy)) whole = std::max(whole, on->Scale);
    return whole * kScaleUnit;
}

void StageSurface::Relayout()
{
    if (!configured_) return;
    std::optional<CoverLayout> cover;
    scale120_ = ChooseScale120(cover);
    const BufferLayout layout =
        cover ? cover->Buffer : LayoutFor(logicalWidth_, logicalHeight_, scale120_, viewport_ != nullptr);
    const bool changed = !(layout == layout_);
    layout_ = layout;
    platform_.Screen = {layout_.Width, layout_.Height};
    if (viewport_ != nullptr) {
        if (layout.Viewport)
            wp_viewport_set_destination(viewport_, logicalWidth_, logicalHeight_);
        else
            wp_viewport_set_destination(viewport_, -1, -1);
    }
    wl_surface_set_buffer_scale(surface_, layout.BufferScale);
    if (!form_) return;
    const int scale = FigureScale();
    if (!changed && scale == form_->Screen.Scale) return;
    // The stage centred on the new size at once; a new stage once the
    // changes stop coming.
    form_->Screen.Area = {0, 0, layout.Width, layout.Height};
    form_->Screen.Scale = scale;
    form_->Resize(layout.Width, layout.Height);
    ++layoutSerial_;
    settle_.Changed(platform_.timeGetTime());
    dirty_ = true;
    Present();
}

int StageSurface::FigureScale() const
{
    if (options_.Scale) return *options_.Scale;
    const Output* on = output_;
    if (on == nullptr && !entered_.empty()) on = host_.OutputOf(entered_.front());
    const bool known = on != nullptr && on->PixelWidth() > 0 && on->PixelHeight() > 0;
    return saver::ScaleForMonitor(DpiOf(scale120_), known ? on->PixelWidth() : layout_.Width,
                                  known ? on->PixelHeight() : layout_.Height);
}

void StageSurface::CreateForm(saver::FormGroup& group, int monitor, std::optional<std::uint32_t> seed)
{
    form_ = std::make_unique<saver::TForm1>(platform_, *this, 0, title_);
    form_->Screen = {platform::Rect{0, 0, layout_.Width, layout_.Height}, FigureScale(),
                     options_.Classic ? saver::StageMode::Classic : saver::StageMode::Fill};
    group.Add(*form_, monitor);
    group_ = &group;
    form_->FormCreate();
    if (seed && group.IsPrimary(*form_)) {
        form_->StartSeed = *seed;
        form_->Random.SetSeed(*seed);
    }
    ++layoutSerial_;
    frameRate_.Start(platform::posix::MonotonicNs(), 0);
    SayStage();
}

bool StageSurface::Animating() const
{
    return form_ && form_->IdleHandlerInstalled() && frame_ == nullptr &&
           !(options_.Frames && form_->PacedFrames >= *options_.Frames);
}

void StageSurface::Settle(figure::Tick now)
{
    if (!settle_.Settled(now) || !form_) return;
    if (!form_->WantsAnotherStage()) return;
    form_->Restage();
    SayStage();
    ++layoutSerial_;
    dirty_ = true;
    Present();
}

void StageSurface::UpdateFrameRate(std::uint64_t nowNs)
{
    if (!options_.Fps || !form_ || !frameRate_.Update(nowNs, form_->PacedFrames)) return;
    frameRateBox_ = app::FrameRateBox(frameRate_.Rate());
    dirty_ = true;
    Present();
}

void StageSurface::PointerMotion(std::int32_t x, std::int32_t y)
{
    if (!form_) return;
    const int bx = BufferPixel(x, logicalWidth_, layout_.Width), by = BufferPixel(y, logicalHeight_, layout_.Height);
    if (!pointer_.IsMove(bx, by)) return;
    // A still shown for --frames stays as it is.
    if (!form_->IdleHandlerInstalled() || (options_.Frames && form_->PacedFrames >= *options_.Frames)) return;
    saver::PointerMoved(*form_, bx, by);
}

void StageSurface::PointerButton(std::uint32_t button, std::uint32_t timeMs, std::int32_t x, std::int32_t y)
{
    if (!form_) return;
    const int bx = BufferPixel(x, logicalWidth_, layout_.Width), by = BufferPixel(y, logicalHeight_, layout_.Height);
    std::optional<figure::MouseButton> which;
    if (button == BTN_LEFT) which = figure::MouseButton::Left;
    if (button == BTN_RIGHT) which = figure::MouseButton::Right;
    if (button == BTN_MIDDLE) which = figure::MouseButton::Middle;
    saver::PointerButtonPressed(*form_, doubleClick_, which, timeMs, bx, by);
}

void StageSurface::CloseRequested()
{
    if (form_)
        form_->Close();
    else
        host_.Quit();
}

void StageSurface::FrameDone()
{
    if (frame_ != nullptr) wl_callback_destroy(frame_);
    frame_ = nullptr;
    if (dirty_) Present();
}

void StageSurface::RepaintImage(bool)
{
    dirty_ = true;
    Present();
}

ShmBuffer* StageSurface::ReleasedBuffer()
{
    std::vector<BufferState> states;
    for (const auto& b : buffers_) states.push_back({b->Held, b->Width(), b->Height()});
    const BufferChoice choice = ChooseBuffer(states, layout_.Width, layout_.Height);
    if (choice.What == BufferChoice::Kind::None) return nullptr;
    try {
        if (choice.What == BufferChoice::Kind::Make)
            buffers_.push_back(std::make_unique<ShmBuffer>(globals_.Shm, layout_.Width, layout_.Height));
        else if (choice.What == BufferChoice::Kind::Remake) {
            buffers_[choice.Index].reset();
            buffers_[choice.Index] = std::make_unique<ShmBuffer>(globals_.Shm, layout_.Width, layout_.Height);
        }
    } catch (const std::bad_alloc&) {
        if (choice.What == BufferChoice::Kind::Remake) buffers_.erase(buffers_.begin() + std::ptrdiff_t(choice.Index));
        std::fprintf(stderr, "vidider-wayland: not enough memory for a buffer of %d x %d\n", layout_.Width,
                     layout_.Height);
        return nullptr;
    }
    return buffers_[choice.Index].get();
}

void StageSurface::Paint(ShmBuffer& buffer)
{
    const saver::StageView& view = form_->View;
    if (widener_.Scale() != view.Scale()) widener_ = saver::PixelWidener(kBlack, kWhite, view.Scale());
    // A buffer that showed another layout, or none, is painted whole: the
    // black around the stage too.
    const bool whole = buffer.PaintedLayout != layoutSerial_;
    const saver::WindowFrame frame =
        saver::DescribeFrame(view, form_->Figure, whole ? saver::PaintArea::Window : saver::PaintArea::Stage);
    const std::ptrdiff_t stride = buffer.Stride();
    if (frame.Width() > 0 && frame.Height() > 0)
        saver::WidenFrame(frame, buffer.Pixels() + frame.Covered.Top * stride + frame.Covered.Left * 4, stride, widener_);
    for (int i = 0; i < frame.BlackCount; ++i) {
        const platform::Rect& r = frame.Black[std::size_t(i)];
        for (int y = r.Top; y < r.Bottom; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(buffer.Pixels() + y * stride);
            std::fill(row + r.Left, row + r.Right, kBlack);
        }
    }
    if (options_.Fps) PaintFrameRate(buffer);
    buffer.PaintedLayout = layoutSerial_;
}

void StageSurface::Present()
{
    if (!configured_ || !form_ || surface_ == nullptr) return;
    dirty_ = true;
    // One frame ahead of the compositor at most: the next waits for this
    // one's callback, and goes only into a buffer the compositor let go.
    if (frame_ != nullptr) return;
    ShmBuffer* buffer = ReleasedBuffer();
    if (buffer == nullptr) return;
    Paint(*buffer);
    wl_surface_attach(surface_, buffer->Buffer(), 0, 0);
    if (wl_surface_get_version(surface_) >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION)
        wl_surface_damage_buffer(surface_, 0, 0, layout_.Width, layout_.Height);
    else
        wl_surface_damage(surface_, 0, 0, logicalWidth_, logicalHeight_);
    frame_ = wl_surface_frame(surface_);
    wl_callback_add_listener(frame_, &kFrameListener, this);
    wl_surface_commit(surface_);
    buffer->Held = true;
    dirty_ = false;
}

void StageSurface::PaintFrameRate(ShmBuffer& buffer)
{
    // The box in the bottom-left corner, one screen pixel a box pixel.
    const figure::Surface& box = frameRateBox_;
    const saver::PixelWidener& plain = boxWidener_;
    const int width = std::min(box.Width(), buffer.Width()), height = std::min(box.Height(), buffer.Height());
    for (int y = 0; y < height; ++y)
        plain.Widen(buffer.Pixels() + (buffer.Height() - height + y) * buffer.Stride(), box.Row(box.Height() - height + y),
                    0, 0, width);
}

void StageSurface::SayStage() const
{
    if (!options_.Verbose || !form_) return;
    const saver::StageView& view = form_->View;
    const std::string where = output_ != nullptr ? " on " + (output_->Name.empty() ? std::string("an output") : output_->Name)
                                                : std::string(" in a window");
    const char* role = layer_ != nullptr ? (options_.Where == app::WaylandOptions::Mode::Background ? "the background layer"
                                                                                                    : "the overlay layer")
                       : options_.Where == app::WaylandOptions::Mode::Window ? "a window"
                                                                             : "a fullscreen toplevel";
    std::fprintf(stderr,
                 "vidider-wayland: stage %d x %d at scale %d (%s) in a buffer of %d x %d%s, output scale %s%s, in %s\n",
                 view.Stage().Width, view.Stage().Height, view.Scale(), options_.Scale ? "--scale" : "the output's",
                 layout_.Width, layout_.Height, layout_.Viewport ? " through a viewport" : "",
                 ScaleText(scale120_).c_str(), where.c_str(), role);
}

}  // namespace wayland
