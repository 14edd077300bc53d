#pragma once
// Reads back what a clip says about itself: the main and stream headers,
// the frame chunks of "movi" and the idx1 index. For checking clips; it
// never reads outside the bytes it is given.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zelkor::vcard {

struct AviFrameChunk {
    uint64_t offset = 0;  // of the chunk's data in the file
    uint32_t size = 0;
};

struct AviIndexEntry {
    uint32_t id = 0;
    uint32_t flags = 0;
    uint32_t offset = 0;  // from the "movi" form type
    uint32_t size = 0;
};

struct AviInfo {
    uint32_t riffSize = 0;
    uint32_t microSecPerFrame = 0;
    uint32_t flags = 0;
    uint32_t totalFrames = 0;
    uint32_t streams = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t streamType = 0;
    uint32_t handler = 0;
    uint32_t scale = 0;
    uint32_t rate = 0;
    uint32_t length = 0;
    uint32_t compression = 0;  // from strf
    uint16_t bitCount = 0;
    uint64_t moviStart = 0;  // offset of the "movi" form type
    uint32_t moviSize = 0;
    bool hasIndex = false;
    std::vector<AviFrameChunk> frames;  // "00dc" chunks whose data is all there
    std::vector<AviIndexEntry> index;
    bool truncated = false;  // the file ends inside a chunk
};

// False with a reason for anything that is not a RIFF AVI file with a
// header list; a file cut short is read as far as it goes.
bool readAvi(std::span<const uint8_t> file, AviInfo& info, std::string& reason);

}  // namespace zelkor::vcard
