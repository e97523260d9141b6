// The ring pattern and the figure's surfaces: the stage and its image control,
// the pattern and frame surfaces, the origin of the pattern, the ring
// parameters, and the CLEAR and ring-set commands that build the pattern.
// Figures of one stage size may share one built pattern, read only.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "figure/controls.h"
#include "figure/surface.h"

namespace figure {

// The image control: a picture drawn unscaled at (Left, Top) of the stage.
struct TImage {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    // The picture it shows: its own copy after CLEAR, the frame surface after
    // every composed frame (the two share storage until the next frame).
    const Surface* Picture = nullptr;

    // Whether the stage's point (x, y) lies on the image.
    bool Contains(int x, int y) const { return x >= Left && y >= Top && x < Left + Width && y < Top + Height; }
};

// The stage: Width x Height figure pixels (1024 x 768, the classic stage,
// unless the window asks for a larger one), its top-left at (Left, Top) of
// the saver window in the window's own pixels. It clips the image, so it
// shows the image's window from (-Left, -Top).
struct TPanel {
    int Left = 0;
    int Top = 0;
    int Width = 1024;
    int Height = 768;
    bool Visible = true;
};

enum class MouseButton { Left, Right, Middle };

// The ring pattern and its copies moved left by 1 to 7 pixels
// (PatternShifts[k - 1] holds pixel x + k at x), so that any second copy
// lines up with the frame's bytes. Every figure of the same stage size
// draws the same standard pattern: once built, one of them serves them all.
struct PatternSurfaces {
    Surface PatternBitmap;
    std::array<Surface, 7> PatternShifts;
    // Counts the changes to PatternBitmap; whatever writes the pattern bumps
    // it, so that the shifted copies follow. The frame builds them when
    // PatternVersion has moved on.
    std::uint64_t PatternVersion = 0;
    std::uint64_t ShiftsVersion = ~std::uint64_t(0);
    // The standard pattern of mode 2 is drawn on it and nothing since.
    bool Built = false;
};

struct FigureState {
    TPanel Panel1;
    TImage Image1;
    // This figure's pattern, perhaps shared with other figures of its stage
    // size; a figure that writes to a shared one first takes a copy. None
    // until the surfaces are created.
    std::shared_ptr<PatternSurfaces> Pattern;
    Surface FrameBitmap;
    Surface Image1Picture;  // the image's own copy, made by CLEAR

    // Ring count (highest ring index N) and spacing s, read at each press.
    TEdit Edit1{"200"};
    TEdit ComboBox3{"10"};

    // Panel position of the last ring-set press, and the image position then;
    // the pattern's reference point is (OriginX - OriginLeft, OriginY - OriginTop).
    std::int32_t OriginX = 0;
    std::int32_t OriginY = 0;
    std::int32_t OriginLeft = 0;
    std::int32_t OriginTop = 0;
    // While set, a press on the image draws nothing and clears nothing.
    bool PatternReady = false;

    // Where the second copy's top-left corner lies on the stage.
    std::int32_t SecondX = 0;
    std::int32_t SecondY = 0;

    bool SurfacesCreated = false;

    const Surface& PatternBitmap() const { return Pattern->PatternBitmap; }
};

// The surfaces as the saver window creates them, for the stage Panel1 is:
// white, (2W + 152) x (2H + 164) (2200 x 1700 on the classic stage), the
// image at (-550, -500), PatternReady set. With `framesToCome`, every
// surface the frames will need is made here too (the image's copy, the
// pattern's shifted copies), once, so that a stage too large for this
// process's memory fails here (std::bad_alloc, the figure left as it was)
// and nowhere later; without, only the pattern and frame surfaces. Where
// `shared` is a pattern of this stage's size (with its shifted copies when
// frames are to come), the figure takes it instead of making its own.
// Throws std::invalid_argument for a stage that cannot be made (see
// IsValidStage).
void CreateSurfaces(FigureState& figure, bool framesToCome = true,
                    const std::shared_ptr<PatternSurfaces>& shared = nullptr);

// Whether `pattern` serves a figure of `stage`: its size, and the shifted
// copies that frames need.
bool PatternFits(const PatternSurfaces& pattern, StageSize stage, bool framesToCome);

// Builds the standard pattern as the first activation does (CLEAR, then
// mode 2), or, where the figure's pattern is built already (shared with
// another figure of its size), takes it as it is: the figure then stands
// exactly as the build would have left it, and no pattern pixel changes.
void BuildPattern(FigureState& figure);

// CLEAR: the pattern all white, and the image showing a copy of it.
void Btn_ClearClick(FigureState& figure);

// Mode 2 builds the standard pattern: two ring sets of N + 1 rings 20 px
// apart (N = RingCountFor the stage: 110 on the classic stage, so 111
// rings), 116 px between their centres, the image centred on the stage. Any
// other mode stops after clearing.
void BmpInit(FigureState& figure, int mode);

// A press at image point (x, y): unless PatternReady is set, a left press
// draws a ring set there, with the count and spacing of Edit1 and ComboBox3.
// Throws ConversionError for a parameter text that holds no integer: a bad
// spacing before anything changes, a bad count after the origin is recorded.
void Image1MouseDown(FigureState& figure, MouseButton button, int x, int y);

// Inverts, on `surface`, the 10-pixel bands of rings n = count .. 0 of
// radius n * spacing + 2 about (cx, cy): each band covers the pixels whose
// distance d from the centre has r - 5 <= d < r + 5. `scratch`, a surface of
// the same size whose pixels do not matter, holds the bands' edges; without
// one, one is made for the call.
void DrawRingSet(Surface& surface, int cx, int cy, std::int32_t count, std::int32_t spacing,
                 Surface* scratch = nullptr);

}  // namespace figure
