// The one widening place: figure rows made wider, one bit to Scale bits and
// one bit to 32-bit pixels. Every path this machine runs (plain, SSE2, AVX2)
// against a pixel-by-pixel reading of the row and against the plain path, at
// every scale, phase, start and many widths, into one or several rows; what
// lies around the output is never written, and a row at the very end or start
// of its buffer is read no further than its pixels (the sanitizer build
// catches a read past them).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "figure/surface.h"
#include "saver/widen.h"

namespace saver {
namespace {

constexpr std::uint32_t kBlack = 0xFF102030u, kWhite = 0xFFF0E0D0u, kUntouched = 0x12345678u;
constexpr WideningPath kEveryPath[] = {WideningPath::Plain, WideningPath::Sse2, WideningPath::Avx2};

bool InCi()
{
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

// The paths this processor runs, each once; the widener made for one must
// take it.
std::vector<WideningPath> PathsRun()
{
    std::vector<WideningPath> paths;
    for (WideningPath path : kEveryPath)
        if (ProcessorRuns(path)) paths.push_back(path);
    return paths;
}

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::mt19937& generator)
{
    std::vector<std::uint8_t> bytes(count);
    for (std::uint8_t& byte : bytes) byte = std::uint8_t(generator());
    return bytes;
}

bool IsWhite(const std::uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }

// What screen pixel `i` of a row widened from figure pixel `from`, entered
// `phase` pixels in, shows.
std::uint32_t Expected(const std::uint8_t* row, int from, int phase, int scale, int i)
{
    return IsWhite(row, from + (phase + i) / scale) ? kWhite : kBlack;
}

// One widening into `rows` rows of `width` pixels, `gap` pixels between
// them and `guard` before and after, the output starting `offset` pixels
// past a 64-byte boundary; the pixels written, the guards checked.
struct Output {
    std::vector<std::uint32_t> storage;
    std::uint32_t* first;
    int width, rows, stride;  // stride in pixels

    Output(int width, int rows, int gap, int offset) : width(width), rows(rows), stride(width + gap)
    {
        constexpr int kGuard = 20;
        storage.assign(std::size_t(stride) * std::size_t(rows) + 2 * kGuard + 24, kUntouched);
        const auto at = reinterpret_cast<std::uintptr_t>(storage.data() + kGuard);
        first = reinterpret_cast<std::uint32_t*>((at + 63) & ~std::uintptr_t(63)) + offset;
    }
    std::uint8_t* Bytes() { return reinterpret_cast<std::uint8_t*>(first); }
    std::ptrdiff_t StrideBytes() const { return std::ptrdiff_t(stride) * 4; }
    std::uint32_t At(int r, int i) const { return first[std::size_t(r) * std::size_t(stride) + std::size_t(i)]; }
    bool Inside(const std::uint32_t* p) const
    {
        const std::ptrdiff_t at = p - first;
        return at >= 0 && at < std::ptrdiff_t(stride) * rows && at % stride < width;
    }
    // The first pixel written outside the rows, or "".
    std::string Overwritten() const
    {
        for (const std::uint32_t& p : storage)
            if (!Inside(&p) && p != kUntouched)
                return "pixel " + std::to_string(&p - first) + " outside the rows was written";
        return "";
    }
};

std::string Describe(WideningPath path, int scale, int phase, int from, int width, int rows, int offset)
{
    return std::string(NameOf(path)) + " scale " + std::to_string(scale) + " phase " + std::to_string(phase) +
           " from " + std::to_string(from) + " width " + std::to_string(width) + " rows " + std::to_string(rows) +
           " offset " + std::to_string(offset);
}

// Widens with `widener` and checks every pixel of every row against the
// reading of the row, and against what the plain path writes; "" when all
// is right.
std::string Check(const PixelWidener& widener, const PixelWidener& plain, const std::uint8_t* row, int from,
                  int phase, int width, int rows, int offset)
{
    const int scale = widener.Scale();
    const std::string what = Describe(widener.Path(), scale, phase, from, width, rows, offset);
    Output out(width, rows, 3, offset), reference(width, rows, 3, offset);
    if (rows == 1)
        widener.Widen(out.Bytes(), row, from, phase, width);
    else
        widener.Widen(out.Bytes(), out.StrideBytes(), rows, row, from, phase, width);
    plain.Widen(reference.Bytes(), reference.StrideBytes(), rows, row, from, phase, width);
    if (std::string wrong = out.Overwritten(); !wrong.empty()) return what + ": " + wrong;
    for (int r = 0; r < rows; ++r)
        for (int i = 0; i < width; ++i) {
            const bool figure = out.At(r, i) == Expected(row, from, phase, scale, i);
            if (!figure || out.At(r, i) != reference.At(r, i))
                return what + ": row " + std::to_string(r) + " pixel " + std::to_string(i) +
                       (figure ? " differs from the plain path" : " is not its figure pixel's");
        }
    return "";
}

TEST(Widen, ChoosesThePathsThisProcessorRunsAndSaysWhich)
{
    std::string ran;
    for (WideningPath path : PathsRun()) {
        EXPECT_EQ(PixelWidener(kBlack, kWhite, 1, path).Path(), path) << NameOf(path);
        ran += std::string(ran.empty() ? "" : ", ") + NameOf(path);
    }
    std::printf("widening paths tested on this processor: %s\n", ran.c_str());
    RecordProperty("widening_paths", ran);
    EXPECT_EQ(PixelWidener(kBlack, kWhite, 3, WideningPath::Plain).Path(), WideningPath::Plain);
    EXPECT_TRUE(ProcessorRuns(FastestWideningPath()));
    // Where the system may not keep the SSE registers, only the plain path.
    EXPECT_EQ(FastestWideningPath(false), WideningPath::Plain);
#if defined(__i386__) || defined(__x86_64__)
    __builtin_cpu_init();
    const bool sse2 = __builtin_cpu_supports("sse2");
    EXPECT_EQ(ProcessorRuns(WideningPath::Sse2), sse2);
#if defined(__x86_64__)
    EXPECT_TRUE(sse2) << "every x86-64 processor has SSE2";
#endif
#if defined(__x86_64__) && !defined(_WIN32)
    // This build holds the AVX2 path: it runs wherever the processor and
    // the system have AVX2, and is the fastest there.
    const bool avx2 = __builtin_cpu_supports("avx2");
    EXPECT_EQ(ProcessorRuns(WideningPath::Avx2), avx2);
    EXPECT_EQ(FastestWideningPath(), avx2 ? WideningPath::Avx2 : WideningPath::Sse2);
    if (!avx2) {
        if (InCi()) FAIL() << "CI: this processor has no AVX2, so the AVX2 widening went untested";
        GTEST_SKIP() << "SKIPPED: this processor has no AVX2; the AVX2 widening was not tested";
    }
#else
    EXPECT_FALSE(ProcessorRuns(WideningPath::Avx2)) << "this build holds no AVX2 path";
    std::printf("the AVX2 widening is not in this build\n");
    if (!sse2) {
        if (InCi()) FAIL() << "CI: this processor has no SSE2, so the SSE2 widening went untested";
        GTEST_SKIP() << "SKIPPED: this processor has no SSE2; the SSE2 widening was not tested";
    }
#endif
#else
    std::printf("no vector widening in this build: the plain path alone\n");
#endif
}

// Every scale, phase and start of the first figure pixel in its byte; every
// width up to 160 pixels and many more up to 1100; the output at every
// start within 32 bytes; one screen row and the two or three of one figure
// row written in one pass.
TEST(Widen, EveryPathGivesEachScreenPixelItsFigurePixelAndWritesNothingElse)
{
    std::mt19937 generator(8);
    const std::vector<std::uint8_t> bytes = RandomBytes(160, generator);
    std::vector<int> widths;
    for (int width = 1; width <= 160; ++width) widths.push_back(width);
    for (int i = 0; i < 24; ++i) widths.push_back(161 + int(generator() % 940));
    for (WideningPath path : PathsRun())
        for (int scale = 1; scale <= kMaxScale; ++scale) {
            const PixelWidener widener(kBlack, kWhite, scale, path), plain(kBlack, kWhite, scale, WideningPath::Plain);
            for (int phase = 0; phase < scale; ++phase)
                for (int width : widths) {
                    if ((phase + width + scale - 1) / scale > 1100) continue;  // past the row
                    const int from = int(generator() % 17), offset = int(generator() % 8);
                    const int rows = width % 3 == 0 ? 1 + int(generator() % 3) : 1;
                    const std::string wrong = Check(widener, plain, bytes.data(), from, phase, width, rows, offset);
                    ASSERT_EQ(wrong, "");
                }
        }
}

// A row whose last figure pixel lies in the last byte of its buffer, and
// one whose first lies in its first byte: nothing past or before them is
// read (the sanitizer build would stop at such a read), and the pixels are
// right.
TEST(Widen, ReadsOnlyTheBytesOfTheFigurePixelsItWidens)
{
    std::mt19937 generator(9);
    for (WideningPath path : PathsRun())
        for (int scale = 1; scale <= kMaxScale; ++scale) {
            const PixelWidener widener(kBlack, kWhite, scale, path), plain(kBlack, kWhite, scale, WideningPath::Plain);
            for (int phase = 0; phase < scale; ++phase)
                for (int trial = 0; trial < 40; ++trial) {
                    const int width = 1 + int(generator() % 700), from = int(generator() % 24);
                    const int last = from + (phase + width - 1) / scale;  // the last figure pixel read
                    const std::size_t used = std::size_t(last / 8 + 1);
                    // At the end of a page-sized buffer.
                    std::vector<std::uint8_t> page = RandomBytes(4096, generator);
                    const std::uint8_t* atEnd = page.data() + page.size() - used;
                    ASSERT_EQ(Check(widener, plain, atEnd, from, phase, width, 1, trial % 8), "");
                    // At the start of a buffer just as long.
                    std::vector<std::uint8_t> exact(page.end() - std::ptrdiff_t(used), page.end());
                    ASSERT_EQ(Check(widener, plain, exact.data(), from, phase, width, 1 + trial % 3, trial % 8), "");
                }
        }
}

// Frames larger than the caches are written past them where the rows are
// aligned: the same pixels as the plain path's, aligned or not, at scales
// 1 to 3 and every phase; nothing outside the frame touched.
TEST(WidenFrame, LargerThanTheCachesGivesThePlainPathsPixels)
{
    std::mt19937 generator(10);
    const int width = 1024 + 8;
    const int height = int(kStreamedFrameBytes / (4.0 * width)) + 12;
    ASSERT_GT(double(width) * 4 * height, kStreamedFrameBytes);
    const int figureWidth = width + 40;
    const std::size_t figureStride = std::size_t(figure::Surface::StrideFor(figureWidth));
    const std::vector<std::uint8_t> picture = RandomBytes(figureStride * std::size_t(height), generator);
    struct Case {
        int scale, phase;
    };
    for (Case c : {Case{1, 0}, Case{2, 0}, Case{2, 1}, Case{3, 2}}) {
        WindowFrame frame;
        frame.Covered = {5, 7, 5 + width, 7 + height};
        frame.Picture = picture.data();
        frame.Stride = std::ptrdiff_t(figureStride);
        frame.FirstColumn = 3 + c.phase;
        frame.PhaseX = c.phase;
        frame.PhaseY = c.scale - 1 - c.phase;
        frame.Scale = c.scale;
        // Rows that start on a 64-byte boundary, and 28 bytes past one:
        // aligned after the first block's rest at scale 2, phase 1.
        for (int offset : {0, 7}) {
            Output reference(width, height, 8, offset);
            WidenFrame(frame, reference.Bytes(), reference.StrideBytes(),
                       PixelWidener(kBlack, kWhite, c.scale, WideningPath::Plain));
            for (WideningPath path : PathsRun()) {
                if (path == WideningPath::Plain) continue;
                Output out(width, height, 8, offset);
                WidenFrame(frame, out.Bytes(), out.StrideBytes(), PixelWidener(kBlack, kWhite, c.scale, path));
                const std::string what = Describe(path, c.scale, c.phase, frame.FirstColumn, width, height, offset);
                ASSERT_EQ(out.Overwritten(), "") << what;
                for (int y = 0; y < height; ++y) {
                    const std::size_t at = std::size_t(y) * std::size_t(out.stride);
                    ASSERT_EQ(std::memcmp(&out.first[at], &reference.first[at], 4 * std::size_t(width)), 0)
                        << what << ": row " << y << " is not the plain path's";
                }
            }
        }
    }
    // The plain path itself, pixel by pixel, in a few rows.
    WindowFrame frame;
    frame.Covered = {0, 0, width, height};
    frame.Picture = picture.data();
    frame.Stride = std::ptrdiff_t(figureStride);
    frame.FirstColumn = 9;
    frame.Scale = 1;
    Output out(width, height, 0, 0);
    WidenFrame(frame, out.Bytes(), out.StrideBytes(), PixelWidener(kBlack, kWhite, 1, WideningPath::Plain));
    for (int y : {0, 1, height / 2, height - 1})
        for (int i = 0; i < width; ++i)
            ASSERT_EQ(out.At(y, i), Expected(frame.Row(y), 9, 0, 1, i)) << "row " << y << " pixel " << i;
}

TEST(Enlarge, MakesEveryFigurePixelScaleScreenPixelsWideFromAnyStart)
{
    std::mt19937 generator(7);
    figure::Surface row(700, 1);
    for (int x = 0; x < 700; ++x) row.SetWhite(x, 0, generator() & 1);
    for (int scale = 1; scale <= kMaxScale; ++scale) {
        const RowEnlarger enlarger(scale);
        for (int trial = 0; trial < 40; ++trial) {
            const int x = int(generator() % 600), count = 1 + int(generator() % (700 - x - 1));
            std::vector<std::uint8_t> out((count * scale + 7) / 8 + 8, 0xA5);
            enlarger.Enlarge(out.data(), row.Row(0), x, count);
            for (int i = 0; i < count * scale; ++i)
                ASSERT_EQ((out[std::size_t(i >> 3)] >> (7 - (i & 7))) & 1, row.IsWhite(x + i / scale, 0) ? 1 : 0)
                    << "scale " << scale << " from " << x << " bit " << i;
            // The rest of the last byte is clear.
            for (int i = count * scale; i < (count * scale + 7) / 8 * 8; ++i)
                ASSERT_EQ((out[std::size_t(i >> 3)] >> (7 - (i & 7))) & 1, 0) << "scale " << scale << " bit " << i;
        }
    }
}

}  // namespace
}  // namespace saver
