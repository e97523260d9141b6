// The frame a host receives: painted through the one widening place, every
// window pixel is what the stage shows there, at every scale, offset and
// placement of the picture, and nothing outside what the paint covers is
// touched.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "figure/pattern.h"
#include "saver/frame.h"
#include "saver/widen.h"

namespace saver {
namespace {

constexpr std::uint32_t kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu, kUntouched = 0x12345678u;

figure::Surface RandomPicture(int width, int height, std::mt19937& generator)
{
    figure::Surface picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.SetWhite(x, y, generator() & 1);
    return picture;
}

struct Scene {
    figure::Surface picture;
    figure::FigureState figure;
    StageView view;

    Scene(int windowWidth, int windowHeight, figure::StageSize stage, int scale, int pictureLeft, int pictureTop,
          int pictureWidth, int pictureHeight, std::mt19937& generator)
        : picture(RandomPicture(pictureWidth, pictureHeight, generator)), view(windowWidth, windowHeight, stage, scale)
    {
        figure.Panel1.Width = stage.Width;
        figure.Panel1.Height = stage.Height;
        figure.Image1 = {pictureLeft, pictureTop, pictureWidth, pictureHeight, &picture};
    }

    // What the window shows at (x, y), worked out pixel by pixel: the
    // stage's pixel there, which is the picture's where it covers the
    // stage, black off the stage and where the picture does not reach.
    std::uint32_t Expected(int x, int y) const
    {
        const std::optional<FigurePoint> at = view.ToStage(x, y);
        if (!at) return kBlack;
        const int px = at->X - figure.Image1.Left, py = at->Y - figure.Image1.Top;
        if (px < 0 || py < 0 || px >= picture.Width() || py >= picture.Height()) return kBlack;
        return picture.IsWhite(px, py) ? kWhite : kBlack;
    }
};

// The window as a host paints it from the frame: the covered rows widened
// to 32-bit pixels, the black rest filled; `painted` counts every pixel
// written, so that overlapping paints show.
std::vector<std::uint32_t> Paint(const Scene& scene, PaintArea area, long& painted)
{
    const int width = scene.view.WindowWidth(), height = scene.view.WindowHeight();
    std::vector<std::uint32_t> window(std::size_t(width) * std::size_t(height), kUntouched);
    const WindowFrame frame = DescribeFrame(scene.view, scene.figure, area);
    painted = 0;
    for (int i = 0; i < frame.BlackCount; ++i) {
        const platform::Rect& r = frame.Black[std::size_t(i)];
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x, ++painted) window[std::size_t(y) * width + x] = kBlack;
    }
    if (!frame.Covered.Empty()) {
        const PixelWidener widener(kBlack, kWhite, frame.Scale);
        auto* out = reinterpret_cast<std::uint8_t*>(&window[std::size_t(frame.Covered.Top) * width + frame.Covered.Left]);
        WidenFrame(frame, out, std::ptrdiff_t(width) * 4, widener);
        painted += long(frame.Width()) * frame.Height();
    }
    return window;
}

void ExpectWindow(const Scene& scene, const char* what)
{
    const int width = scene.view.WindowWidth(), height = scene.view.WindowHeight();
    long painted = 0;
    const std::vector<std::uint32_t> window = Paint(scene, PaintArea::Window, painted);
    EXPECT_EQ(painted, long(width) * height) << what << ": every pixel painted once";
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(window[std::size_t(y) * width + x], scene.Expected(x, y)) << what << " at " << x << "," << y;

    // A frame paints the stage's part alone, every pixel of it once.
    const std::vector<std::uint32_t> stage = Paint(scene, PaintArea::Stage, painted);
    const platform::Rect shown = scene.view.Shown();
    EXPECT_EQ(painted, long(shown.Right - shown.Left) * (shown.Bottom - shown.Top)) << what;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool onStage = x >= shown.Left && x < shown.Right && y >= shown.Top && y < shown.Bottom;
            ASSERT_EQ(stage[std::size_t(y) * width + x], onStage ? scene.Expected(x, y) : kUntouched)
                << what << ": a frame at " << x << "," << y;
        }
}

TEST(WindowFrame, ShowsWhatTheStageShowsAtEveryScaleAndOffset)
{
    std::mt19937 generator(11);
    const figure::StageSize stage{96, 64};
    struct Case {
        int windowWidth, windowHeight, scale;
        const char* what;
    };
    for (Case c : {Case{96, 64, 1, "the window of the stage's size"},
                   Case{150, 101, 1, "a larger window, odd offsets"},
                   Case{61, 37, 1, "a smaller window: the stage cut on every side"},
                   Case{200, 129, 2, "scale 2, the stage inside"},
                   Case{131, 77, 2, "scale 2 cut, the first block entered halfway"},
                   Case{301, 190, 3, "scale 3, odd offsets"},
                   Case{250, 170, 3, "scale 3 cut"},
                   Case{389, 257, 4, "scale 4 inside"},
                   Case{203, 139, 4, "scale 4 cut"}}) {
        // The picture covers the stage, as the placement keeps it.
        Scene scene(c.windowWidth, c.windowHeight, stage, c.scale, -37, -21, 2 * 96 + 40, 2 * 64 + 30, generator);
        ExpectWindow(scene, c.what);
    }
}

TEST(WindowFrame, IsBlackWhereThePictureEndsAtTheSurfacesEdges)
{
    std::mt19937 generator(12);
    const figure::StageSize stage{80, 60};
    struct Case {
        int left, top, width, height;
        const char* what;
    };
    for (Case c : {Case{5, 3, 100, 80, "the picture starts inside the stage"},
                   Case{-40, -30, 70, 50, "it ends inside the stage"},
                   Case{-100, 0, 90, 60, "it lies wholly left of the stage"},
                   Case{0, 59, 80, 60, "its one row on the stage is the stage's last"},
                   Case{-7, -9, 200, 200, "it covers the stage"}}) {
        for (int scale = 1; scale <= 3; ++scale) {
            Scene scene(83 * scale + 3, 61 * scale - 5, stage, scale, c.left, c.top, c.width, c.height, generator);
            ExpectWindow(scene, c.what);
        }
    }
}

TEST(WindowFrame, WithoutAPictureIsAllBlack)
{
    std::mt19937 generator(13);
    Scene scene(120, 90, {80, 60}, 1, 0, 0, 80, 60, generator);
    scene.figure.Image1.Picture = nullptr;
    const WindowFrame frame = DescribeFrame(scene.view, scene.figure, PaintArea::Window);
    EXPECT_TRUE(frame.Covered.Empty());
    ASSERT_EQ(frame.BlackCount, 1);
    EXPECT_EQ(frame.Black[0], (platform::Rect{0, 0, 120, 90}));
    EXPECT_EQ(DescribeFrame(scene.view, scene.figure, PaintArea::Stage).Black[0], scene.view.Shown());
}

// The one-bit way gives the same pixels as the 32-bit way: each row, read
// from bit PhaseX on, is the covered rectangle's row.
TEST(WindowFrame, EnlargedToOneBitRowsAtItsScaleGivesTheSamePixels)
{
    std::mt19937 generator(14);
    for (int scale = 1; scale <= 4; ++scale) {
        Scene scene(101 * scale - 13, 71 * scale + 5, {96, 64}, scale, -29, -17, 240, 170, generator);
        const WindowFrame frame = DescribeFrame(scene.view, scene.figure, PaintArea::Window);
        ASSERT_FALSE(frame.Covered.Empty());
        const std::size_t stride = EnlargedStride(frame);
        EXPECT_EQ(stride % 4, 0u) << "whole words, as a DIB's rows";
        std::vector<std::uint8_t> bits(stride * std::size_t(frame.Height()), 0xA5);
        EnlargeFrame(frame, bits.data(), std::ptrdiff_t(stride), RowEnlarger(scale));
        for (int y = 0; y < frame.Height(); ++y)
            for (int x = 0; x < frame.Width(); ++x) {
                const int bit = frame.PhaseX + x;
                const bool white = (bits[std::size_t(y) * stride + std::size_t(bit >> 3)] >> (7 - (bit & 7))) & 1;
                ASSERT_EQ(white ? kWhite : kBlack, scene.Expected(frame.Covered.Left + x, frame.Covered.Top + y))
                    << "scale " << scale << " at " << x << "," << y;
            }
    }
}

}  // namespace
}  // namespace saver
