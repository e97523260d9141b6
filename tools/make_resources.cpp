// make_resources: draws the saver's pictures from its own engine and fonts.
//
//   make_resources OUTDIR [FONTDIR]
//
// writes OUTDIR/title.bmp (the title card, 320 x 240, one bit), OUTDIR/sample.bmp
// (the preview still, 184 x 133, eight-bit grey, downscaled from a frame of
// the figure) and OUTDIR/vidider.ico (16, 32 and 48 px, from the moire). The
// title is set in DejaVu Sans from FONTDIR (Debian's fonts-dejavu-core).
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/bmp.h"
#include "tools/simulation.h"

namespace {

class Font {
public:
    Font(FT_Library library, const std::string& path, int pixels)
    {
        if (FT_New_Face(library, path.c_str(), 0, &face_) != 0) throw std::runtime_error("cannot open the font " + path);
        FT_Set_Pixel_Sizes(face_, 0, FT_UInt(pixels));
    }
    ~Font() { FT_Done_Face(face_); }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Width in pixels of a line of text.
    int Measure(const std::u32string& text) const { return Lay(text, nullptr, 0, 0); }

    // Draws white text on `surface` with its baseline at y, starting at x.
    void Draw(figure::Surface& surface, const std::u32string& text, int x, int baseline) const
    {
        Lay(text, &surface, x, baseline);
    }

private:
    int Lay(const std::u32string& text, figure::Surface* surface, int x, int baseline) const
    {
        long pen = 0;  // 26.6 fixed point
        FT_UInt previous = 0;
        for (char32_t c : text) {
            FT_UInt glyph = FT_Get_Char_Index(face_, FT_ULong(c));
            if (previous != 0 && FT_HAS_KERNING(face_)) {
                FT_Vector kern;
                FT_Get_Kerning(face_, previous, glyph, FT_KERNING_DEFAULT, &kern);
                pen += kern.x;
            }
            if (FT_Load_Glyph(face_, glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0)
                throw std::runtime_error("cannot render a glyph");
            const FT_GlyphSlot slot = face_->glyph;
            if (surface != nullptr) Blit(*surface, slot, x + int(pen >> 6) + slot->bitmap_left, baseline - slot->bitmap_top);
            pen += slot->advance.x;
            previous = glyph;
        }
        return int((pen + 63) >> 6);
    }

    static void Blit(figure::Surface& surface, const FT_GlyphSlot slot, int left, int top)
    {
        const FT_Bitmap& bitmap = slot->bitmap;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            for (unsigned col = 0; col < bitmap.width; ++col) {
                const unsigned char* line = bitmap.buffer + int(row) * bitmap.pitch;
                bool ink = bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? (line[col >> 3] >> (7 - (col & 7))) & 1
                                                                   : line[col] >= 128;
                int x = left + int(col), y = top + int(row);
                if (ink && x >= 0 && y >= 0 && x < surface.Width() && y < surface.Height()) surface.SetWhite(x, y, true);
            }
        }
    }

    FT_Face face_ = nullptr;
};

void Centre(figure::Surface& card, const Font& font, const std::u32string& text, int baseline)
{
    font.Draw(card, text, (card.Width() - font.Measure(text)) / 2, baseline);
}

// White type on black, inside a thin white frame.
figure::Surface TitleCard(FT_Library library, const std::string& fontDir)
{
    figure::Surface card(320, 240);
    card.Fill(false);
    for (int t = 0; t < 2; ++t) {
        for (int x = 8 + t; x < 312 - t; ++x) {
            card.SetWhite(x, 8 + t, true);
            card.SetWhite(x, 231 - t, true);
        }
        for (int y = 8 + t; y < 232 - t; ++y) {
            card.SetWhite(8 + t, y, true);
            card.SetWhite(311 - t, y, true);
        }
    }
    Font name(library, fontDir + "/DejaVuSans-Bold.ttf", 62);
    Font line(library, fontDir + "/DejaVuSans.ttf", 19);
    Font small(library, fontDir + "/DejaVuSans.ttf", 14);
    Centre(card, name, U"vidider", 118);
    Centre(card, line, U"moir\u00e9 screen saver", 163);
    Centre(card, small, U"version 0.6.3", 198);
    return card;
}

// A frame of the figure after the title time.
figure::Surface Frame()
{
    sim::Simulation simulation(7, nullptr);
    for (std::uint64_t k = 1; k <= 400; ++k) simulation.PacedFrame(k);
    figure::Surface panel(1024, 768);
    simulation.ShownPanel(panel);
    return panel;
}

// Area average of the panel's window (x0, y0, w, h) down to width x height.
tools::GreyImage Downscale(const figure::Surface& panel, int x0, int y0, int w, int h, int width, int height)
{
    tools::GreyImage image{width, height, std::vector<std::uint8_t>(std::size_t(width) * height)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int px0 = x0 + x * w / width, px1 = x0 + (x + 1) * w / width;
            int py0 = y0 + y * h / height, py1 = y0 + (y + 1) * h / height;
            int white = 0, all = 0;
            for (int py = py0; py < py1; ++py)
                for (int px = px0; px < px1; ++px, ++all) white += panel.IsWhite(px, py);
            image.At(x, y) = std::uint8_t((white * 255 + all / 2) / std::max(all, 1));
        }
    }
    return image;
}

void Write(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_resources OUTDIR [FONTDIR]\n");
        return 2;
    }
    const std::string out = argv[1];
    const std::string fontDir = argc > 2 ? argv[2] : "/usr/share/fonts/truetype/dejavu";
    try {
        FT_Library library;
        if (FT_Init_FreeType(&library) != 0) throw std::runtime_error("cannot start FreeType");
        figure::Surface title = TitleCard(library, fontDir);
        FT_Done_FreeType(library);
        Write(out + "/title.bmp", tools::EncodeOneBitBmp(title));

        figure::Surface frame = Frame();
        // The still keeps the stage's proportions: 184 x 133 from 1024 x 740.
        Write(out + "/sample.bmp", tools::EncodeGreyBmp(Downscale(frame, 0, 14, 1024, 740, 184, 133)));
        // The icon shows the broad fringes around the middle of the stage.
        std::vector<tools::GreyImage> icons;
        for (int size : {16, 32, 48}) icons.push_back(Downscale(frame, 512 - 96, 384 - 96, 192, 192, size, size));
        Write(out + "/vidider.ico", tools::EncodeGreyIcon(icons));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_resources: %s\n", e.what());
        return 1;
    }
    return 0;
}
