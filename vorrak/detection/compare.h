#pragma once
// Block comparison of two guard frames: 16 x 16-pixel blocks, a pixel
// threshold, a per-block changed-pixel threshold and a changed-block
// threshold, all derived from the sensitivity.

#include <array>
#include <cstdint>
#include <span>

namespace zelkor::vorrak {

constexpr uint32_t kBlockSize = 16;
constexpr uint32_t kBlockColumns = 22;  // 352 pixels
constexpr uint32_t kBlockRows = 18;     // 288 pixels

// Flags indexed [column][row].
using BlockGrid = std::array<std::array<uint32_t, kBlockRows>, kBlockColumns>;

// The rectangle of the frame guard mode watches, in frame pixels.
struct DetectRegion {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct CompareState {
    // Rows counted from the top of the picture, as the region was dragged.
    BlockGrid RegionMask{};
    // Rows counted from the bottom, in the order of the bitmap's pixel rows.
    BlockGrid ChangedBlocks{};
    uint32_t ActiveBlockCount = 0;
    uint32_t PixelThreshold = 0;
    uint32_t PixelCountThreshold = 0;
    uint32_t BlockCountThreshold = 0;
};

// Everything besides the pixels that decides how a pair is compared.
struct CompareContext {
    bool tracing = false;   // compare every block, whatever the mask holds
    int32_t lastWidth = 0;  // the last frame read: the block grid comes from it
    int32_t lastHeight = 0;
    uint32_t frameWidth = 0;  // FrameWidth: the row stride of both frames
};

// Rebuilds RegionMask and ActiveBlockCount for a capture size of
// frameWidth x frameHeight (its block grid, at most 22 x 18).
void BuildRegionMask(CompareState& state, bool useRegionCompare, const DetectRegion& region,
                     uint32_t frameWidth, uint32_t frameHeight);

uint32_t PixelThreshold(uint32_t sensibility);
uint32_t PixelCountThreshold(uint32_t sensibility);
uint32_t BlockCountThreshold(uint32_t activeBlocks, uint32_t sensibility);

// Sets the three thresholds from the sensitivity and the active block
// count; BuildRegionMask comes first.
void SetThresholds(CompareState& state, uint32_t sensibility);

// Compares the earlier and the newer frame (bottom-up rows of
// context.frameWidth bytes). Rewrites ChangedBlocks for every block it visits
// and returns 1 when more than BlockCountThreshold blocks changed, else 0.
// Only block rows whose bytes lie wholly inside both frames are visited, and
// only block columns that fit in a row, so short or narrow pixel data is
// never read past.
uint32_t CompareFrames(std::span<const uint8_t> earlier, std::span<const uint8_t> newer,
                       uint32_t pixelThreshold, const CompareContext& context, CompareState& state);

// The ways of counting changed pixels. CompareFrames takes the fastest the
// processor has; all give the same result.
enum class CompareKernel { Portable, Sse2, Avx2 };

bool CompareKernelAvailable(CompareKernel kernel);

uint32_t CompareFramesWith(CompareKernel kernel, std::span<const uint8_t> earlier,
                           std::span<const uint8_t> newer, uint32_t pixelThreshold,
                           const CompareContext& context, CompareState& state);

}  // namespace zelkor::vorrak
