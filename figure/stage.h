// The stage's size in figure pixels and what follows from it: the size of the
// surfaces, the number of rings a set needs to reach their far corners, and
// the rule that gives a window its stage. At 1024 x 768, the classic stage,
// the surfaces are 2200 x 1700 and a ring set has 111 rings.
#pragma once

#include <cstddef>
#include <cstdint>

namespace figure {

struct StageSize {
    int Width = 0;
    int Height = 0;

    bool operator==(const StageSize&) const = default;
};

// The classic stage, and the floor of every stage: nothing smaller is made.
constexpr int kClassicStageWidth = 1024;
constexpr int kClassicStageHeight = 768;
constexpr StageSize kClassicStage{kClassicStageWidth, kClassicStageHeight};

// The largest stage: no side over 16384 figure pixels, and a surface that
// fits in 64 MiB.
constexpr int kMaxStageSide = 16384;
constexpr std::size_t kMaxSurfaceBytes = std::size_t(64) << 20;

// The surfaces: twice the stage, and 152 x 164 px more. The placement's clamps
// move the image across a stage's width and height; the surfaces cover that
// swing with 76 px to spare on either side, 82 px above and below.
constexpr int SurfaceWidthFor(int stageWidth) { return 2 * stageWidth + 152; }
constexpr int SurfaceHeightFor(int stageHeight) { return 2 * stageHeight + 164; }

// The bytes one surface of this stage holds: rows padded to 32-bit words.
std::size_t SurfaceBytesFor(StageSize stage);

// The stage can be made: both sides even, at least the classic size, no
// side over kMaxStageSide, its surface within kMaxSurfaceBytes.
bool IsValidStage(StageSize stage);

// The stage of a window `width` x `height` figure pixels large: each side at
// least the classic one, rounded up to even. Where that stage would be too
// large, both sides shrink by the same factor (to even sizes, floors kept)
// until it can be made, so the stage keeps the window's shape and lies in
// the middle of it with black around.
StageSize StageFor(std::int64_t width, std::int64_t height);

// The highest ring index N of a ring set: the least n whose ring radius
// 20n + 2 reaches the surface corner farthest from a ring centre, at
// d = sqrt((W + 76)^2 + (H + 140)^2), and never below 110. 110 on the classic
// stage, 117 on 1920 x 1080; below 1000 on every stage that can be made.
std::int32_t RingCountFor(StageSize stage);

}  // namespace figure
