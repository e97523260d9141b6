// The sizes vidider-wayland gives its buffers and surfaces at whole and
// fractional scales, the buffer it paints next, and the pointer's buffer
// pixel; no Wayland header, so the unit tests reach it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace wayland {

constexpr int kScaleUnit = 120;  // 120ths, fractional-scale-v1's unit

// The buffer of one surface.
struct BufferLayout {
    int Width = 0, Height = 0;  // in buffer pixels, the output's own
    int BufferScale = 1;        // wl_surface.set_buffer_scale; 1 with a viewport
    bool Viewport = false;      // shown through a viewport of the surface's size
    bool operator==(const BufferLayout&) const = default;
};

// The buffer of a surface `width` x `height` large (surface coordinates, 1
// or more) at `scale120`. A whole scale n: n times the size, buffer scale n.
// A fractional one, where the compositor has viewports: the size times the
// scale, rounded half away from zero as fractional-scale-v1 asks, shown
// through a viewport; without viewports, the next whole scale (the
// compositor then resamples).
BufferLayout LayoutFor(int width, int height, int scale120, bool viewports);

// A surface of `logicalWidth` x `logicalHeight` covering an output of
// `physicalWidth` x `physicalHeight` pixels, on a compositor that scales
// outputs by fractions without telling its clients so (no
// fractional-scale-v1; sway 1.7 tells the next whole scale, `wholeScale`,
// and resamples a buffer drawn at it): the buffer at the output's own
// pixels through a viewport, and the scale those make, in 120ths. None
// where the whole scale gives the output's pixels already, or where the two
// sizes are not of one scale (the surface does not cover the output).
struct CoverLayout {
    BufferLayout Buffer;
    int Scale120 = kScaleUnit;
};
std::optional<CoverLayout> LayoutOfCover(int physicalWidth, int physicalHeight, int logicalWidth, int logicalHeight,
                                         int wholeScale);

// The DPI the saver's scale rule (saver::ScaleForMonitor) reads for an
// output at `scale120`: the scale times 96, rounded half away from zero.
int DpiOf(int scale120);

// A pointer position `fixed` (surface coordinates in 1/256, wl_fixed_t) on a
// side `surfaceSize` long whose buffer holds `bufferSize` pixels: the buffer
// pixel under it, rounding down.
int BufferPixel(std::int32_t fixed, int surfaceSize, int bufferSize);

// Where a surface's next frame goes. Two buffers a surface; a third only
// while the compositor holds both; a buffer of another size (the surface
// changed) is made anew once the compositor lets it go.
struct BufferState {
    bool Held = false;  // attached and not yet released by the compositor
    int Width = 0, Height = 0;
};
struct BufferChoice {
    enum class Kind { Use, Make, Remake, None } What = Kind::None;
    std::size_t Index = 0;  // Use, Remake: which buffer
};
BufferChoice ChooseBuffer(const std::vector<BufferState>& buffers, int width, int height);

constexpr std::size_t kMostBuffers = 3;

}  // namespace wayland
