#include "saver/widen.h"

#include <algorithm>
#include <cstring>

// The vector paths: SSE2 on every x86 build, AVX2 on x86-64 but Windows.
#if defined(__i386__) || defined(__x86_64__)
#define VIDIDER_X86 1
#else
#define VIDIDER_X86 0
#endif
#if defined(__x86_64__) && !defined(_WIN32)
#define VIDIDER_AVX2 1
#else
#define VIDIDER_AVX2 0
#endif

#include "figure/surface.h"

namespace saver {
namespace {

// One figure row widened into `rows` screen rows, `stride` bytes apart, at
// the widener's scale, as PixelWidener::Widen says; `width` and `rows` are 1
// or more. With `stream` the vector paths write past the caches where the
// rows are aligned.
struct RowJob {
    std::uint8_t* to;
    std::ptrdiff_t stride;
    int rows, scale;
    const std::uint8_t* row;
    int from, phase, width;
    bool stream;
};

// `count` pixels of `pixel` into each of `rows` rows, `stride` bytes apart.
void FillRun(std::uint8_t* to, std::ptrdiff_t stride, int rows, std::uint32_t pixel, int count)
{
    for (int r = 0; r < rows; ++r, to += stride)
        for (int i = 0; i < count; ++i) std::memcpy(to + 4 * i, &pixel, 4);
}

// Whole chunks of 64 figure pixels, each widened to 64 x Scale pixels four
// figure pixels at a time; `from` and `done` move past them. The scale is a
// constant here, so that each copy is of a size the compiler knows.
template <int Scale>
void WidenBlocks(std::uint8_t*& to, const std::uint8_t* row, int& from, int& done, int width,
                 const std::uint32_t* blocks)
{
    constexpr int kChunk = 64 * Scale;
    constexpr std::size_t kNibbleBytes = 16 * Scale;
    for (; width - done >= kChunk; done += kChunk, from += 64) {
        const std::uint64_t bits = LoadPixels64(row, from, 64);
        for (int shift = 60; shift >= 0; shift -= 4, to += kNibbleBytes)
            std::memcpy(to, blocks + ((bits >> shift) & 15) * 4 * Scale, kNibbleBytes);
    }
}

// The eight pixels of a byte's bits from the 32-byte aligned start of
// `blocks`; the vector paths' table of eight pixels for every byte.
const std::uint32_t* EightPixelTable(const std::vector<std::uint32_t>& blocks)
{
    const auto at = reinterpret_cast<std::uintptr_t>(blocks.data());
    return reinterpret_cast<const std::uint32_t*>((at + 31) & ~std::uintptr_t(31));
}

}  // namespace

// The paths, with the widener's tables at hand.
struct WideningPaths {
    static void Plain(const PixelWidener& w, const RowJob& job);
    static void Rows(const PixelWidener& w, const RowJob& job);
};

void WideningPaths::Plain(const PixelWidener& w, const RowJob& job)
{
    std::uint8_t* to = job.to;
    const std::uint8_t* row = job.row;
    const int scale = w.scale_, width = job.width;
    int from = job.from, done = 0;  // screen pixels
    // `count` pixels of one colour.
    auto fill = [&](bool white, int count) {
        FillRun(to, 0, 1, white ? w.white_ : w.black_, count);
        to += 4 * count;
        done += count;
    };
    if (job.phase > 0) {
        // The rest of the first block.
        fill(LoadPixels64(row, from, 1) != 0, std::min(scale - job.phase, width));
        ++from;
    }
    const std::uint32_t* blocks = w.blocks_.data();
    switch (scale) {
    case 1: WidenBlocks<1>(to, row, from, done, width, blocks); break;
    case 2: WidenBlocks<2>(to, row, from, done, width, blocks); break;
    case 3: WidenBlocks<3>(to, row, from, done, width, blocks); break;
    case 4: WidenBlocks<4>(to, row, from, done, width, blocks); break;
    case 5: WidenBlocks<5>(to, row, from, done, width, blocks); break;
    case 6: WidenBlocks<6>(to, row, from, done, width, blocks); break;
    case 7: WidenBlocks<7>(to, row, from, done, width, blocks); break;
    default: WidenBlocks<8>(to, row, from, done, width, blocks); break;
    }
    // The whole and cut blocks left.
    while (done < width) {
        const int count = std::min(64, (width - done + scale - 1) / scale);
        const std::uint64_t bits = LoadPixels64(row, from, count);
        for (int i = 0; i < count; ++i) fill((bits >> (63 - i)) & 1, std::min(scale, width - done));
        from += count;
    }
    // The other rows copy the first.
    for (int r = 1; r < job.rows; ++r) std::memcpy(job.to + r * job.stride, job.to, std::size_t(width) * 4);
}

#if VIDIDER_X86

namespace {

// The vector paths' registers, of 16 bytes (SSE2) or 32 (AVX2): two or one
// make the eight pixels of a table entry. A streaming store writes past the
// caches, to an address aligned to the register's size; GCC offers it only
// within the target's own functions, so here it is the instruction itself,
// which the function a path is inlined into assembles.
template <int Bytes>
struct Registers {
    typedef long long Vector __attribute__((vector_size(Bytes)));
    [[gnu::always_inline]] static void Stream(std::uint8_t* to, const Vector& v)
    {
#if defined(__clang__)
        __builtin_nontemporal_store(v, reinterpret_cast<Vector*>(to));
#else
        if constexpr (Bytes == 16)
            asm volatile("movntdq %1, %0" : "=m"(*reinterpret_cast<Vector*>(to)) : "x"(v));
        else
            asm volatile("vmovntdq %1, %0" : "=m"(*reinterpret_cast<Vector*>(to)) : "x"(v));
#endif
    }
};

// One register into `to`; past the caches with Stream.
template <class Path, bool Stream>
[[gnu::always_inline]] inline void Put(std::uint8_t* to, const typename Path::Vector& v)
{
    if (Stream)
        Path::Stream(to, v);
    else
        std::memcpy(to, &v, sizeof v);
}

// Eight figure pixels (the first in bit 7 of `byte`) as 8 x scale screen
// pixels into the job's rows, eight a store of the table's entry; with Cut,
// only `left` of them (the last eight's part by plain copies), and the
// pixels still left after them returned. Scale and Rows, where not 0, are
// the job's scale and rows as constants.
template <class Path, int Scale, int Rows, bool Cut, bool Stream>
[[gnu::always_inline]] inline int PutByte(std::uint8_t*& to, const RowJob& job, unsigned byte,
                                          const std::uint32_t* table, const std::uint64_t* enlarged, int left)
{
    using Vector = typename Path::Vector;
    constexpr int kCount = 32 / sizeof(Vector);
    const int scale = Scale > 0 ? Scale : job.scale, rows = Rows > 0 ? Rows : job.rows;
    const std::ptrdiff_t stride = job.stride;
    const std::uint64_t bits = scale == 1 ? byte : enlarged[byte];
    for (int k = scale - 1; k >= 0; --k) {
        const std::uint32_t* pixels = table + 8 * ((bits >> (8 * k)) & 255);
        if (Cut && left < 8) {
            for (int r = 0; r < rows; ++r) std::memcpy(to + r * stride, pixels, std::size_t(left) * 4);
            to += 4 * left;
            return 0;
        }
        // One or two registers, never an array: that would go through the
        // stack, a store more for each.
        Vector first, second;
        std::memcpy(&first, pixels, sizeof first);
        if (kCount == 2) std::memcpy(&second, pixels + 4, sizeof second);
        for (int r = 0; r < rows; ++r) {
            Put<Path, Stream>(to + r * stride, first);
            if (kCount == 2) Put<Path, Stream>(to + r * stride + sizeof first, second);
        }
        to += 32;
        if (Cut) left -= 8;
    }
    return left;
}

// Chunks of 64 figure pixels while whole ones fit in the job's width from
// `done` on; `to`, `from` and `done` move past them. The chunks lie within
// the row: eight bytes of it, and a ninth where they start within a byte.
template <class Path, int Scale, int Rows, bool Stream>
[[gnu::always_inline]] inline void PutChunks(std::uint8_t*& to, const RowJob& job, int& from, int& done,
                                             const std::uint32_t* table, const std::uint64_t* enlarged)
{
    const int chunk = 64 * (Scale > 0 ? Scale : job.scale), shift = from & 7;
    for (; job.width - done >= chunk; done += chunk, from += 64) {
        const std::uint8_t* source = job.row + (from >> 3);
        std::uint64_t bits;
        std::memcpy(&bits, source, sizeof bits);
        bits = __builtin_bswap64(bits);
        if (shift != 0) bits = bits << shift | source[8] >> (8 - shift);
        for (int at = 56; at >= 0; at -= 8)
            PutByte<Path, Scale, Rows, false, Stream>(to, job, unsigned(bits >> at) & 255, table, enlarged, 0);
    }
}

// The rest of the first block plainly, then 64 figure pixels at a time,
// eight screen pixels a store from the table of eight bits (at scales over
// 1, each byte of figure pixels enlarged to scale bytes of bits first),
// streamed where asked and every row's stores are aligned; the last cut
// chunk byte by byte. Inlined into the function of each path, and so
// compiled with its instructions.
template <class Path, int Scale, int Rows>
[[gnu::always_inline]] inline void WidenVectors(const RowJob& job, const std::uint32_t* table,
                                                const std::uint64_t* enlarged)
{
    const int scale = Scale > 0 ? Scale : job.scale;
    std::uint8_t* to = job.to;
    int from = job.from, done = 0;  // screen pixels
    if (job.phase > 0) {
        done = std::min(scale - job.phase, job.width);
        FillRun(to, job.stride, job.rows, table[LoadPixels64(job.row, from, 1) != 0 ? 8 * 255 : 0], done);
        to += 4 * done;
        ++from;
    }
    constexpr std::uintptr_t kAlign = sizeof(typename Path::Vector) - 1;
    const bool aligned =
        (reinterpret_cast<std::uintptr_t>(to) & kAlign) == 0 && (job.stride & std::ptrdiff_t(kAlign)) == 0;
    if (job.stream && aligned)
        PutChunks<Path, Scale, Rows, true>(to, job, from, done, table, enlarged);
    else
        PutChunks<Path, Scale, Rows, false>(to, job, from, done, table, enlarged);
    int left = job.width - done;
    if (left == 0) return;
    const std::uint64_t bits = LoadPixels64(job.row, from, (left + scale - 1) / scale);
    for (int shift = 56; left > 0; shift -= 8)
        left = PutByte<Path, Scale, Rows, true, false>(to, job, unsigned(bits >> shift) & 255, table, enlarged, left);
}

// The vector way: with the scale and the rows as constants where frames are
// largest (one row at scale 1; two at scale 2, or one for a caller that
// copies the second itself), as numbers elsewhere.
template <class Path>
[[gnu::always_inline]] inline void WidenVectorsOf(const RowJob& job, const std::uint32_t* table,
                                                  const std::uint64_t* enlarged)
{
    if (job.scale == 1 && job.rows == 1)
        WidenVectors<Path, 1, 1>(job, table, enlarged);
    else if (job.scale == 2 && job.rows == 2)
        WidenVectors<Path, 2, 2>(job, table, enlarged);
    else if (job.scale == 2 && job.rows == 1)
        WidenVectors<Path, 2, 1>(job, table, enlarged);
    else
        WidenVectors<Path, 0, 0>(job, table, enlarged);
}

__attribute__((target("sse2"))) void WidenSse2(const RowJob& job, const std::uint32_t* table,
                                               const std::uint64_t* enlarged)
{
    WidenVectorsOf<Registers<16>>(job, table, enlarged);
}

#if VIDIDER_AVX2
__attribute__((target("avx2"))) void WidenAvx2(const RowJob& job, const std::uint32_t* table,
                                               const std::uint64_t* enlarged)
{
    WidenVectorsOf<Registers<32>>(job, table, enlarged);
}
#endif

}  // namespace

#endif  // VIDIDER_X86

const char* NameOf(WideningPath path)
{
    switch (path) {
    case WideningPath::Sse2: return "SSE2";
    case WideningPath::Avx2: return "AVX2";
    default: return "plain";
    }
}

bool ProcessorRuns(WideningPath path)
{
    switch (path) {
    case WideningPath::Plain: return true;
#if VIDIDER_X86
    case WideningPath::Sse2:
        __builtin_cpu_init();
        return __builtin_cpu_supports("sse2");
#endif
#if VIDIDER_AVX2
    case WideningPath::Avx2:
        // Counted only where the system keeps the AVX registers too.
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2");
#endif
    default: return false;
    }
}

WideningPath FastestWideningPath(bool systemKeepsSse)
{
    if (!systemKeepsSse) return WideningPath::Plain;
    for (WideningPath path : {WideningPath::Avx2, WideningPath::Sse2})
        if (ProcessorRuns(path)) return path;
    return WideningPath::Plain;
}

PixelWidener::PixelWidener(std::uint32_t black, std::uint32_t white, int scale, WideningPath path)
    : black_(black), white_(white), scale_(std::clamp(scale, 1, kMaxScale)),
      path_(ProcessorRuns(path) ? path : WideningPath::Plain)
{
    auto colour = [&](int bits, int bit) { return (bits >> bit) & 1 ? white_ : black_; };
    if (path_ == WideningPath::Plain) {
        const int run = 4 * scale_;
        blocks_.resize(std::size_t(16 * run));
        for (int bits = 0; bits < 16; ++bits)
            for (int i = 0; i < run; ++i) blocks_[std::size_t(bits * run + i)] = colour(bits, 3 - i / scale_);
        return;
    }
    // 8 KiB, and 28 bytes of room to start it on a 32-byte boundary.
    blocks_.resize(256 * 8 + 7);
    std::uint32_t* table = blocks_.data() + (EightPixelTable(blocks_) - blocks_.data());
    for (int bits = 0; bits < 256; ++bits)
        for (int i = 0; i < 8; ++i) table[8 * bits + i] = colour(bits, 7 - i);
    if (scale_ > 1) {
        enlarged_.resize(256);
        for (int byte = 0; byte < 256; ++byte) enlarged_[std::size_t(byte)] = EnlargedByte(byte, scale_);
    }
}

void WideningPaths::Rows(const PixelWidener& w, const RowJob& job)
{
    switch (w.path_) {
#if VIDIDER_X86
    case WideningPath::Sse2: WidenSse2(job, EightPixelTable(w.blocks_), w.enlarged_.data()); return;
#endif
#if VIDIDER_AVX2
    case WideningPath::Avx2: WidenAvx2(job, EightPixelTable(w.blocks_), w.enlarged_.data()); return;
#endif
    default: Plain(w, job);
    }
}

void PixelWidener::Widen(std::uint8_t* to, std::ptrdiff_t stride, int rows, const std::uint8_t* row, int from,
                         int phase, int width) const
{
    if (width > 0 && rows > 0)
        WideningPaths::Rows(*this, {to, stride, rows, scale_, row, from, phase, width, false});
}

void WidenFrame(const WindowFrame& frame, std::uint8_t* out, std::ptrdiff_t outStride, const PixelWidener& widener)
{
    const int width = frame.Width(), height = frame.Height(), scale = frame.Scale;
    if (width <= 0 || height <= 0) return;
    // A frame larger than the caches is written past them: kept, it would
    // only push out what they hold, and the copy to the screen would read it
    // from memory all the same. A smaller one stays for that copy to read.
    const bool stream = double(width) * 4 * height > kStreamedFrameBytes;
    for (int y = 0; y < height;) {
        // The screen rows of one figure row: to the end of its block.
        const int rows = std::min(scale - (frame.PhaseY + y) % scale, height - y);
        const RowJob job{out, outStride, rows, widener.Scale(), frame.Row(y), frame.FirstColumn, frame.PhaseX, width,
                         stream};
        WideningPaths::Rows(widener, job);
        y += rows;
        out += rows * outStride;
    }
#if VIDIDER_X86
    // Streamed stores are seen by other processors once fenced.
    if (stream && widener.Path() != WideningPath::Plain) asm volatile("sfence" ::: "memory");
#endif
}

}  // namespace saver
