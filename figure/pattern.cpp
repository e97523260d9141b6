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

// The pattern, to write to: a built pattern that other figures share is
// copied first, so that a write never changes what another figure shows.
// One not built yet is written in place: the first figure to build it
// builds it for all.
PatternSurfaces& OwnPattern(FigureState& figure)
{
    if (figure.Pattern->Built && figure.Pattern.use_count() > 1)
        figure.Pattern = std::make_shared<PatternSurfaces>(*figure.Pattern);
    return *figure.Pattern;
}

// Where mode 2 puts its two ring sets: the image centred on the stage, the
// ring count and spacing of the stage set, and the two centres 58 px above
// and below the surface's centre.
struct StandardSets {
    int X, FirstY, SecondY;
};
StandardSets PlaceStandardSets(FigureState& figure)
{
    figure.Image1.Left = Round((figure.Panel1.Width - figure.Image1.Width) * 0.5L);
    figure.Image1.Top = Round((figure.Panel1.Height - figure.Image1.Height) * 0.5L);
    figure.Edit1.Text = IntToStr(RingCountFor({figure.Panel1.Width, figure.Panel1.Height}));
    figure.ComboBox3.Text = "20";
    const int x = Round(figure.Image1.Width * 0.5L), h = Round(figure.Image1.Height * 0.5L);
    return {x, h - 58, h + 58};
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

bool PatternFits(const PatternSurfaces& pattern, StageSize stage, bool framesToCome)
{
    const int width = SurfaceWidthFor(stage.Width), height = SurfaceHeightFor(stage.Height);
    const Surface& shifted = pattern.PatternShifts.back();
    return pattern.PatternBitmap.Width() == width && pattern.PatternBitmap.Height() == height &&
           (!framesToCome || (shifted.Width() == width && shifted.Height() == height));
}

void CreateSurfaces(FigureState& figure, bool framesToCome, const std::shared_ptr<PatternSurfaces>& shared)
{
    const StageSize stage{figure.Panel1.Width, figure.Panel1.Height};
    if (!IsValidStage(stage)) throw std::invalid_argument("a stage that cannot be made");
    const int width = SurfaceWidthFor(stage.Width), height = SurfaceHeightFor(stage.Height);
    // All or nothing: the figure keeps what it had until every surface is made.
    Surface frame(width, height), picture;
    if (framesToCome) picture = Surface(width, height);
    std::shared_ptr<PatternSurfaces> pattern = shared;
    if (pattern == nullptr || !PatternFits(*pattern, stage, framesToCome)) {
        pattern = std::make_shared<PatternSurfaces>();
        pattern->PatternBitmap = Surface(width, height);
        if (framesToCome)
            for (Surface& shifted : pattern->PatternShifts) shifted = Surface(width, height);
        ++pattern->PatternVersion;
    }

    figure.PatternReady = true;
    figure.Image1.Picture = nullptr;  // empty until a bitmap is first assigned
    figure.Image1.Width = width;
    figure.Image1.Height = height;
    figure.Image1.Left = -550;
    figure.Image1.Top = -500;
    figure.Pattern = std::move(pattern);
    figure.FrameBitmap = std::move(frame);
    // The image's own copy and the pattern's shifted copies are written
    // later (by CLEAR and the first frame) into what is made here.
    figure.Image1Picture = std::move(picture);
    figure.SurfacesCreated = true;
}

void Btn_ClearClick(FigureState& figure)
{
    if (!figure.SurfacesCreated) return;
    PatternSurfaces& pattern = OwnPattern(figure);
    pattern.PatternBitmap.Fill(true);
    ++pattern.PatternVersion;
    pattern.Built = false;
    figure.Image1Picture = pattern.PatternBitmap;
    figure.Image1.Picture = &figure.Image1Picture;
}

void BmpInit(FigureState& figure, int mode)
{
    if (!figure.SurfacesCreated) return;
    figure.PatternReady = false;
    Btn_ClearClick(figure);
    PatternSurfaces& pattern = OwnPattern(figure);
    pattern.PatternBitmap.Fill(true);
    ++pattern.PatternVersion;
    if (mode != 2) return;

    const StandardSets sets = PlaceStandardSets(figure);
    Image1MouseDown(figure, MouseButton::Left, sets.X, sets.FirstY);
    Image1MouseDown(figure, MouseButton::Left, sets.X, sets.SecondY);
    // The origin becomes the midpoint between the two ring centres.
    figure.OriginY -= 58;
    figure.PatternReady = true;
    figure.Pattern->Built = true;
}

void BuildPattern(FigureState& figure)
{
    if (!figure.SurfacesCreated) return;
    if (!figure.Pattern->Built) {
        Btn_ClearClick(figure);
        BmpInit(figure, 2);
        return;
    }
    // What CLEAR leaves in the image's copy: a white surface.
    const Surface& bitmap = figure.Pattern->PatternBitmap;
    if (figure.Image1Picture.Width() == bitmap.Width() && figure.Image1Picture.Height() == bitmap.Height())
        figure.Image1Picture.Fill(true);
    else
        figure.Image1Picture = Surface(bitmap.Width(), bitmap.Height());
    figure.Image1.Picture = &figure.Image1Picture;
    // The origin the two presses of mode 2 record, without drawing.
    const StandardSets sets = PlaceStandardSets(figure);
    figure.OriginX = static_cast<std::int32_t>(std::int64_t(sets.X) + figure.Image1.Left);
    figure.OriginY = static_cast<std::int32_t>(std::int64_t(sets.SecondY) + figure.Image1.Top) - 58;
    figure.OriginLeft = figure.Image1.Left;
    figure.OriginTop = figure.Image1.Top;
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
    PatternSurfaces& pattern = OwnPattern(figure);
    DrawRingSet(pattern.PatternBitmap, x, y, count, spacing, scratch);
    ++pattern.PatternVersion;
    pattern.Built = false;
}

}  // namespace figure
