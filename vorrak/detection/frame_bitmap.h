#pragma once
// Frame bitmap files of the guard engine: a grabbed frame is read back from
// its work file into a FrameImage, and the two frames of an event are written
// into one event bitmap.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/bitmap_info.h"
#include "platform/numbered_file.h"
#include "platform/ui.h"

namespace zelkor::vorrak {

// Result codes of ReadFrameBitmap.
constexpr uint32_t kFrameReadOk = 1000;
constexpr uint32_t kFrameOpenFailed = 1001;
constexpr uint32_t kFrameReadFailed = 1002;
constexpr uint32_t kFrameBadFormat = 1003;

// The block grid covers 352 x 288 pixels; larger frames cannot be compared.
constexpr int32_t kMaxFrameWidth = 352;
constexpr int32_t kMaxFrameHeight = 288;
// No acceptable frame comes near this; a larger size field is not a frame
// and must not make us allocate for it.
constexpr uint32_t kMaxFrameFileSize = 4u << 20;

// One frame bitmap in memory: the whole file except its 14-byte file header
// (information header, colour table, pixel rows) in one heap block.
struct FrameImage {
    std::unique_ptr<uint8_t[]> block;
    size_t blockSize = 0;
    size_t colourTableOffset = 0;  // the header's own size
    size_t pixelOffset = 0;        // header size + 4 x colour count
    int32_t width = 0;
    int32_t height = 0;
    uint32_t colourCount = 0;

    const uint8_t* header() const { return block.get(); }
    // Null when the frame has no colour table.
    const uint8_t* colourTable() const {
        return colourCount == 0 ? nullptr : block.get() + colourTableOffset;
    }
    // From the pixel rows to the end of the block.
    std::span<const uint8_t> pixels() const {
        return {block.get() + pixelOffset, blockSize - pixelOffset};
    }
};

// What the reader publishes about the frame it read last. Updated only by a
// successful read; the header and colour table are copies, so the record
// stays valid after the frame itself has been freed.
struct LastFrameRead {
    bool valid = false;
    std::array<uint8_t, formats::BitmapInfoHeaderSize> header{};
    std::vector<uint8_t> colourTable;  // 4 x colourCount bytes
    int32_t width = 0;
    int32_t height = 0;
    uint32_t colourCount = 0;
};

// Parses the bytes of a bitmap file. The same rules as ReadFrameBitmap,
// which reads a file and hands its bytes here; on success `frame` and `last`
// are replaced, on failure both stay as they were.
uint32_t ParseFrameBitmap(std::span<const uint8_t> file, FrameImage& frame, LastFrameRead& last);

// Reads the bitmap file at `path` into `frame` (the caller owns it) and
// publishes it in `last`. Returns kFrameReadOk or one of the failure codes;
// nothing changes on failure.
//
// Accepted: a "BM" file whose information header is at least 40 bytes and
// whose header, colour table, image size and pixel rows (any bit count,
// rows padded to 4 bytes) all lie inside the block the file size field
// names; width 1..352, height 1..288. Refused with 1003: anything else,
// including top-down files (negative height), since the comparison's block
// rows are counted from the bottom. A file shorter than its size field is
// a read failure (1002), never a zero-filled frame.
uint32_t ReadFrameBitmap(const std::string& path, FrameImage& frame, LastFrameRead& last);

// Writes the two frames of an event into a new bitmap file under the first
// free name of `name`'s series: a file already there is never replaced nor
// written through. The name is taken first, as an empty file, claimed
// through `claim` (when given) before that file is made; the picture then
// replaces the empty file whole, so the name never holds a torn picture. The header and colour
// table are the last frame read's, width `frameWidth`, height 2 x `frameHeight`, the newer frame's
// rows first, so a viewer shows the earlier frame above the newer one. Each frame must hold width x
// height bytes of the last frame read. Returns the path written; nothing, after "Error write bitmap
// file..." was shown, when it could not be written (a name already taken then stays, empty).
std::optional<std::string> WriteEventBitmap(platform::NumberedName name,
                                            std::span<const uint8_t> earlier,
                                            std::span<const uint8_t> newer,
                                            const LastFrameRead& last, uint32_t frameWidth,
                                            uint32_t frameHeight, platform::Ui& ui,
                                            const platform::NameClaim& claim = {});

}  // namespace zelkor::vorrak
