#pragma once
// Motion-JPEG clips as RIFF AVI 1.0 files: one video stream, an idx1 index,
// and the header sizes and counts rewritten every so often during writing,
// so a clip cut short by a crash still opens with what it holds.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "vcard/chunk_writer.h"

namespace zelkor::vcard {

// Clips stop before they pass this size: readers that take the RIFF sizes
// as signed 32-bit numbers go wrong beyond it.
constexpr uint64_t kAviMaxBytes = 0x7FFFFFFFu;

struct AviParams {
    int width = 0;
    int height = 0;
    uint32_t microSecPerFrame = 33333;
    // Header sizes and counts are rewritten after this many frames.
    uint32_t refreshFrames = 30;
    uint64_t maxBytes = kAviMaxBytes;
};

class AviWriter {
  public:
    enum class Added { Ok, Full, Failed };

    // False when the file cannot be created.
    bool open(const std::string& path, const AviParams& params);
    // One JPEG picture. Full: the clip would pass maxBytes, nothing written.
    Added addFrame(std::span<const uint8_t> jpeg);
    // The index and the final header values; closes the file.
    bool finish();
    uint32_t frames() const { return frames_; }

  private:
    void writeHeaders();
    // Rewrites the counts, sizes and rates that grow with the clip; false
    // when the file did not take them, which ends the clip as failed.
    [[nodiscard]] bool refreshHeaders();

    ChunkWriter out_;
    AviParams params_;
    // The header fields that are rewritten as the clip grows.
    ChunkWriter::Field maxBytesPerSec_;         // avih
    ChunkWriter::Field flags_;                  // avih
    ChunkWriter::Field totalFrames_;            // avih
    ChunkWriter::Field suggestedBuffer_;        // avih
    ChunkWriter::Field streamLength_;           // strh
    ChunkWriter::Field streamSuggestedBuffer_;  // strh
    uint32_t frames_ = 0;
    uint32_t largestFrame_ = 0;
    uint64_t moviStart_ = 0;       // the "movi" form type, where index offsets count from
    std::vector<uint32_t> index_;  // offset, size per frame
};

}  // namespace zelkor::vcard
