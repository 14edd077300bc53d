#include "vcard/avi_reader.h"

#include <algorithm>

#include "formats/bitmap_info.h"
#include "formats/byte_order.h"

namespace zelkor::vcard {

namespace {
using formats::fourcc;

// The clip's bytes; a field outside them reads as 0.
class Bytes {
  public:
    explicit Bytes(std::span<const uint8_t> b) : b_(b) {}
    bool has(uint64_t at, uint64_t n) const { return formats::fits(b_, at, n); }
    uint32_t u32(uint64_t at) const { return formats::getLe32(b_, at); }
    // The `n` bytes from `at`, or nothing when they are not all there.
    std::span<const uint8_t> part(uint64_t at, uint64_t n) const {
        return has(at, n) ? b_.subspan(at, n) : std::span<const uint8_t>{};
    }
    uint64_t size() const { return b_.size(); }

  private:
    std::span<const uint8_t> b_;
};

uint64_t padded(uint64_t n) {
    return n + (n & 1);
}

// Calls `visit(id, size, data)` for each chunk header between `at` and
// `end`; a visitor answering false ends the walk.
template <typename Visit>
void forEachChunk(const Bytes& b, uint64_t at, uint64_t end, Visit visit) {
    while (at + 8 <= end) {
        const uint32_t size = b.u32(at + 4);
        if (!visit(b.u32(at), size, at + 8)) {
            return;
        }
        at += 8 + padded(size);
    }
}

void readStreamList(const Bytes& b, uint64_t at, uint64_t end, AviInfo& info) {
    forEachChunk(b, at, end, [&](uint32_t id, uint32_t size, uint64_t data) {
        if (id == fourcc("strh") && size >= 48 && b.has(data, 48)) {
            info.streamType = b.u32(data);
            info.handler = b.u32(data + 4);
            info.scale = b.u32(data + 20);
            info.rate = b.u32(data + 24);
            info.length = b.u32(data + 32);
        } else if (id == fourcc("strf") && size >= formats::BitmapInfoHeaderSize) {
            if (const auto format =
                    formats::readBitmapInfoHeader(b.part(data, formats::BitmapInfoHeaderSize))) {
                info.width = info.width == 0 ? uint32_t(format->width) : info.width;
                info.bitCount = format->bitCount;
                info.compression = format->compression;
            }
        }
        return true;
    });
}

void readHeaderList(const Bytes& b, uint64_t at, uint64_t end, AviInfo& info) {
    forEachChunk(b, at, end, [&](uint32_t id, uint32_t size, uint64_t data) {
        if (id == fourcc("avih") && size >= 40 && b.has(data, 40)) {
            info.microSecPerFrame = b.u32(data);
            info.flags = b.u32(data + 12);
            info.totalFrames = b.u32(data + 16);
            info.streams = b.u32(data + 24);
            info.width = b.u32(data + 32);
            info.height = b.u32(data + 36);
        } else if (id == fourcc("LIST") && size >= 4 && b.u32(data) == fourcc("strl")) {
            readStreamList(b, data + 4, std::min<uint64_t>(data + size, end), info);
        }
        return true;
    });
}

void readMovi(const Bytes& b, uint64_t at, uint64_t end, AviInfo& info) {
    forEachChunk(b, at, end, [&](uint32_t id, uint32_t size, uint64_t data) {
        if (!b.has(data, size)) {
            info.truncated = true;
            return false;
        }
        if (id == fourcc("00dc")) {
            info.frames.push_back({data, size});
        }
        return true;
    });
}

}  // namespace

bool readAvi(std::span<const uint8_t> file, AviInfo& info, std::string& reason) {
    info = AviInfo{};
    const Bytes b(file);
    if (b.u32(0) != fourcc("RIFF") || b.u32(8) != fourcc("AVI ")) {
        reason = "not a RIFF AVI file";
        return false;
    }
    info.riffSize = b.u32(4);
    // A file cut short keeps the sizes of an earlier moment; read what is there.
    const uint64_t end = b.size();
    uint64_t at = 12;
    bool headers = false;
    while (at + 8 <= end) {
        const uint32_t id = b.u32(at);
        const uint32_t size = b.u32(at + 4);
        const uint64_t data = at + 8;
        const uint64_t chunkEnd = std::min<uint64_t>(data + size, end);
        if (id == fourcc("LIST") && size >= 4 && b.u32(data) == fourcc("hdrl")) {
            readHeaderList(b, data + 4, chunkEnd, info);
            headers = true;
        } else if (id == fourcc("LIST") && size >= 4 && b.u32(data) == fourcc("movi")) {
            info.moviStart = data;
            info.moviSize = size;
            // An unfinished clip's movi size may lag behind its data.
            const bool last = data + size >= end || b.u32(data + padded(size)) != fourcc("idx1");
            readMovi(b, data + 4, last ? end : chunkEnd, info);
            if (last) {
                break;
            }
        } else if (id == fourcc("idx1")) {
            info.hasIndex = true;
            for (uint64_t e = data; e + 16 <= chunkEnd; e += 16) {
                info.index.push_back({b.u32(e), b.u32(e + 4), b.u32(e + 8), b.u32(e + 12)});
            }
        }
        if (data + size > end) {
            info.truncated = true;
            break;
        }
        at = data + padded(size);
    }
    if (!headers) {
        reason = "no header list";
        return false;
    }
    return true;
}

}  // namespace zelkor::vcard
