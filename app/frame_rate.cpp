#include "app/frame_rate.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace app {
namespace {

// Glyphs of 5 x 7 pixels, one row a byte, its leftmost pixel in bit 4.
struct Glyph {
    char Character;
    std::uint8_t Rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
};
constexpr int kGlyphWidth = 5, kGlyphHeight = 7;
constexpr int kScale = 2;                       // screen pixels a glyph pixel
constexpr int kAdvance = (kGlyphWidth + 1) * kScale;
constexpr int kMargin = 4;
constexpr double kHighest = 9999.9;
constexpr std::string_view kLongest = "FPS: 9999.9";
constexpr int kBoxWidth = 2 * kMargin + int(kLongest.size()) * kAdvance - kScale;
constexpr int kBoxHeight = 2 * kMargin + kGlyphHeight * kScale;

const Glyph* GlyphOf(char c)
{
    for (const Glyph& g : kGlyphs)
        if (g.Character == c) return &g;
    return nullptr;  // a space
}

}  // namespace

void FrameRateMeter::Start(std::uint64_t nowNs, std::uint64_t frames)
{
    sinceNs_ = nowNs;
    sinceFrames_ = frames;
    rate_.reset();
}

bool FrameRateMeter::Update(std::uint64_t nowNs, std::uint64_t frames)
{
    if (nowNs < NextReadingNs()) return false;
    rate_ = double(frames - sinceFrames_) * 1e9 / double(nowNs - sinceNs_);
    sinceNs_ = nowNs;
    sinceFrames_ = frames;
    return true;
}

std::string FrameRateText(std::optional<double> rate)
{
    if (!rate) return "FPS: -";
    char text[32];
    std::snprintf(text, sizeof text, "FPS: %.1f", std::clamp(*rate, 0.0, kHighest));
    return text;
}

figure::Surface FrameRateBox(std::optional<double> rate)
{
    figure::Surface box(kBoxWidth, kBoxHeight);
    box.Fill(false);
    int left = kMargin;
    for (char c : FrameRateText(rate)) {
        if (const Glyph* glyph = GlyphOf(c))
            for (int row = 0; row < kGlyphHeight * kScale; ++row)
                for (int col = 0; col < kGlyphWidth * kScale; ++col)
                    if ((glyph->Rows[row / kScale] >> (kGlyphWidth - 1 - col / kScale)) & 1)
                        box.SetWhite(left + col, kMargin + row, true);
        left += kAdvance;
    }
    box.ClearPadding();
    return box;
}

}  // namespace app
