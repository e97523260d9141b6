// The Windows host's painter under real GDI, run under Wine inside
// vidider-tests.exe: every pixel of the frame at every scale, on a 32-bit
// surface read back pixel by pixel; and without memory for the rows the
// covered part is black and nothing is thrown.
#include <gtest/gtest.h>

#include <random>

#include "figure/pattern.h"
#include "saver/frame.h"
#include "tests/out_of_memory.h"
#include "windows/stage_painter.h"

namespace windows {
namespace {

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0xFF0000;

// A 32-bit top-down surface of GDI's, its pixels readable.
struct Canvas {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    std::uint32_t* pixels = nullptr;
    int width, height;

    Canvas(int w, int h) : width(w), height(h)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<std::uint32_t*>(bits);
        previous = SelectObject(dc, bitmap);
        for (int i = 0; i < w * h; ++i) pixels[i] = kRed;
    }
    ~Canvas()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    std::uint32_t At(int x, int y)
    {
        GdiFlush();
        return pixels[std::size_t(y) * width + x] & 0xFFFFFF;
    }
};

struct Scene {
    figure::Surface picture;
    figure::FigureState figure;
    saver::StageView view;

    Scene(int width, int height, int scale, figure::StageSize stage = {128, 96})
        : picture(2 * stage.Width + 44, 2 * stage.Height + 8), view(width, height, stage, scale)
    {
        std::mt19937 generator(unsigned(scale * 7 + width));
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x) picture.SetWhite(x, y, generator() & 1);
        figure.Panel1.Width = stage.Width;
        figure.Panel1.Height = stage.Height;
        figure.Image1 = {-37, -21, picture.Width(), picture.Height(), &picture};
    }
    std::uint32_t Expected(int x, int y) const
    {
        const auto at = view.ToStage(x, y);
        if (!at) return kBlack;
        return picture.IsWhite(at->X - figure.Image1.Left, at->Y - figure.Image1.Top) ? kWhite : kBlack;
    }
};

TEST(StagePainter, PaintsEveryPixelOfTheFrameAtEveryScale)
{
    for (int scale = 1; scale <= 3; ++scale) {
        const int width = 128 * scale + 41, height = 96 * scale - 7;
        Scene scene(width, height, scale);
        Canvas canvas(width, height);
        StagePainter painter;
        painter.Paint(canvas.dc, saver::DescribeFrame(scene.view, scene.figure, saver::PaintArea::Window));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(canvas.At(x, y), scene.Expected(x, y)) << "scale " << scale << " at " << x << "," << y;
    }
}

TEST(StagePainter, WithoutMemoryForTheRowsTheStageIsBlackAndNothingIsThrown)
{
    // At scale 3 the one-bit rows are enlarged into memory of the painter's:
    // 1440 x 1080 screen pixels of them, over 100,000 bytes.
    Scene scene(1400, 1000, 3, {480, 360});
    Canvas canvas(1400, 1000);
    StagePainter painter;
    {
        saver::OutOfMemory limit;
        EXPECT_NO_THROW(painter.Paint(canvas.dc, saver::DescribeFrame(scene.view, scene.figure, saver::PaintArea::Window)));
    }
    for (int y = 0; y < 1000; y += 7)
        for (int x = 0; x < 1400; x += 7) ASSERT_EQ(canvas.At(x, y), kBlack) << x << "," << y;
}

}  // namespace
}  // namespace windows
