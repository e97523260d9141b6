#include "figure/pattern.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "figure/integer_text.h"
#include "figure/rounding.h"

namespace figure {
namespace {

// Rings are 10 px bands centred on their outline.
constexpr std::int64_t kHalfBand = 5;

// A ring-set centre this far outside the surface draws nothing: no ring we can
// measure in 64 bits would reach it.
constexpr std::int64_t kCentreMargin = std::int64_t(1) << 20;

// The largest a with a * a <= v, for 0 <= v < 2^62.
std::int64_t FloorSqrt(std::int64_t v)
{
    auto a = static_cast<std::int64_t>(std::sqrt(static_cast<double>(v)));
    while (a * a > v) --a;
    while ((a + 1) * (a + 1) <= v) ++a;
    return a;
}

void Toggle(Surface& edges, int y, std::int64_t x)
{
    if (x < 0 || x >= edges.Width()) return;
    edges.Row(y)[x >> 3] ^= std::uint8_t(0x80u >> (x & 7));
}

// Marks the span [x0, x1) of row y by toggling its two ends.
void MarkSpan(Surface& edges, int y, std::int64_t x0, std::int64_t x1)
{
    x0 = std::max<std::int64_t>(x0, 0);
    x1 = std::min<std::int64_t>(x1, edges.Width());
    if (x0 >= x1) return;
    Toggle(edges, y, x0);
    Toggle(edges, y, x1);
}

// Marks the band inner <= d < outer about (cx, cy), row by row.
void MarkBand(Surface& edges, std::int64_t cx, std::int64_t cy, std::int64_t inner, std::int64_t outer)
{
    std::int64_t outer2 = outer * outer;
    std::int64_t inner2 = inner * inner;
    std::int64_t y0 = std::max<std::int64_t>(0, cy - outer + 1);
    std::int64_t y1 = std::min<std::int64_t>(edges.Height() - 1, cy + outer - 1);
    for (std::int64_t y = y0; y <= y1; ++y) {
        std::int64_t dy2 = (y - cy) * (y - cy);
        std::int64_t a = FloorSqrt(outer2 - dy2 - 1);  // widest |dx| inside the outline
        std::int64_t rest = inner2 - dy2;
        if (rest <= 0) {
            MarkSpan(edges, int(y), cx - a, cx + a + 1);
            continue;
        }
        std::int64_t b = FloorSqrt(rest - 1) + 1;  // narrowest |dx| outside the hole
        if (b > a) continue;
        MarkSpan(edges, int(y), cx - a, cx - b + 1);
        MarkSpan(edges, int(y), cx + b, cx + a + 1);
    }
}

// Inverts every pixel of `surface` that lies in an odd number of the spans
// marked on `edges`: a running exclusive-or along each row turns the marked
// span ends into the spans themselves.
void ApplyEdges(Surface& surface, const Surface& edges)
{
    const int words = surface.Stride() / 4;
    const std::uint32_t lastMask = WordMask(words - 1, 0, surface.Width());
    for (int y = 0; y < surface.Height(); ++y) {
        const std::uint8_t* edgeRow = edges.Row(y);
        std::uint8_t* row = surface.Row(y);
        std::uint32_t carry = 0;
        for (int w = 0; w < words; ++w) {
            std::uint32_t v = LoadWord32(edgeRow, w);
            if (v == 0 && carry == 0) continue;
            v ^= v >> 1;
            v ^= v >> 2;
            v ^= v >> 4;
            v ^= v >> 8;
            v ^= v >> 16;
            v ^= carry;
            carry = (v & 1u) ? 0xFFFFFFFFu : 0u;
            if (w == words - 1) v &= lastMask;
            StoreWord32(row, w, LoadWord32(row, w) ^ v, 0xFFFFFFFFu);
        }
    }
}

}  // namespace

void DrawRingSet(Surface& surface, int cx, int cy, std::int32_t count, std::int32_t spacing, Surface* scratch)
{
    if (count < 0) return;
    const std::int64_t width = surface.Width(), height = surface.Height();
    if (cx < -kCentreMargin || cx > width + kCentreMargin || cy < -kCentreMargin ||
        cy > height + kCentreMargin)
        return;
    // Distance from the centre to the farthest pixel of the surface.
    std::int64_t far_x = std::max<std::int64_t>(std::llabs(cx), std::llabs(width - 1 - cx));
    std::int64_t far_y = std::max<std::int64_t>(std::llabs(cy), std::llabs(height - 1 - cy));
    std::int64_t reach = FloorSqrt(far_x * far_x + far_y * far_y) + 1;

    Surface own;
    if (scratch == nullptr || scratch->Width() != surface.Width() || scratch->Height() != surface.Height()) {
        own = Surface(surface.Width(), surface.Height());
        scratch = &own;
    }
    Surface& edges = *scratch;
    edges.Fill(false);
    auto mark = [&](std::int64_t radius) {
        radius = std::llabs(radius);
        std::int64_t inner = std::max<std::int64_t>(0, radius - kHalfBand);
        if (inner > reach) return;  // wholly outside the surface: no mark
        MarkBand(edges, cx, cy, inner, radius + kHalfBand);
    };
    if (spacing == 0) {
        // Every ring has radius 2: the band is inverted count + 1 times.
        if (count % 2 == 0) mark(2);
    } else {
        // Rings past the reach leave no mark; skip them without counting.
        std::int64_t last = std::min<std::int64_t>(count, (reach + 2 * kHalfBand + 2) / std::llabs(spacing) + 1);
        for (std::int64_t n = last; n >= 0; --n) mark(n * spacing + 2);
    }
    ApplyEdges(surface, edges);
}

void CreateSurfaces(FigureState& figure, bool framesToCome)
{
    const StageSize stage{figure.Panel1.Width, figure.Panel1.Height};
    if (!IsValidStage(stage)) throw std::invalid_argument("a stage that cannot be made");
    const int width = SurfaceWidthFor(stage.Width), height = SurfaceHeightFor(stage.Height);
    // All or nothing: the figure keeps what it had until every surface is made.
    Surface pattern(width, height), frame(width, height), picture;
    std::array<Surface, 7> shifts;
    if (framesToCome) {
        picture = Surface(width, height);
        for (Surface& shifted : shifts) shifted = Surface(width, height);
    }

    figure.PatternReady = true;
    figure.Image1.Picture = nullptr;  // empty until a bitmap is first assigned
    figure.Image1.Width = width;
    figure.Image1.Height = height;
    figure.Image1.Left = -550;
    figure.Image1.Top = -500;
    figure.PatternBitmap = std::move(pattern);
    figure.FrameBitmap = std::move(frame);
    // The image's own copy and the pattern's shifted copies are written
    // later (by CLEAR and the first frame) into what is made here.
    figure.Image1Picture = std::move(picture);
    figure.PatternShifts = std::move(shifts);
    ++figure.PatternVersion;
    figure.SurfacesCreated = true;
}

void Btn_ClearClick(FigureState& figure)
{
    if (!figure.SurfacesCreated) return;
    figure.PatternBitmap.Fill(true);
    ++figure.PatternVersion;
    figure.Image1Picture = figure.PatternBitmap;
    figure.Image1.Picture = &figure.Image1Picture;
}

void BmpInit(FigureState& figure, int mode)
{
    if (!figure.SurfacesCreated) return;
    figure.PatternReady = false;
    Btn_ClearClick(figure);
    figure.PatternBitmap.Fill(true);
    ++figure.PatternVersion;
    if (mode != 2) return;

    figure.Image1.Left = Round((figure.Panel1.Width - figure.Image1.Width) * 0.5L);
    figure.Image1.Top = Round((figure.Panel1.Height - figure.Image1.Height) * 0.5L);
    figure.Edit1.Text = IntToStr(RingCountFor({figure.Panel1.Width, figure.Panel1.Height}));
    figure.ComboBox3.Text = "20";

    // Two ring sets 58 px above and below the surface centre.
    int x = Round(figure.Image1.Width * 0.5L);
    int h = Round(figure.Image1.Height * 0.5L);
    Image1MouseDown(figure, MouseButton::Left, x, h - 58);
    Image1MouseDown(figure, MouseButton::Left, x, h + 58);
    // The origin becomes the midpoint between the two ring centres.
    figure.OriginY -= 58;
    figure.PatternReady = true;
}

void Image1MouseDown(FigureState& figure, MouseButton button, int x, int y)
{
    if (figure.PatternReady || !figure.SurfacesCreated) return;
    if (button != MouseButton::Left) return;
    std::int32_t spacing = StrToInt(figure.ComboBox3.Text);
    figure.OriginX = static_cast<std::int32_t>(std::int64_t(x) + figure.Image1.Left);
    figure.OriginY = static_cast<std::int32_t>(std::int64_t(y) + figure.Image1.Top);
    figure.OriginLeft = figure.Image1.Left;
    figure.OriginTop = figure.Image1.Top;
    std::int32_t count = StrToInt(figure.Edit1.Text);
    // While the pattern is built no frame is shown: the frame surface then
    // serves as the scratch of the ring set's edges.
    Surface* scratch = figure.Image1.Picture != &figure.FrameBitmap ? &figure.FrameBitmap : nullptr;
    DrawRingSet(figure.PatternBitmap, x, y, count, spacing, scratch);
    ++figure.PatternVersion;
}

}  // namespace figure
