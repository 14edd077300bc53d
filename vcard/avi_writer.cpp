#include "vcard/avi_writer.h"

#include "formats/bitmap_info.h"
#include "formats/byte_order.h"

namespace zelkor::vcard {

namespace {
using formats::fourcc;

constexpr uint32_t kHasIndex = 0x10;  // avih flag: idx1 follows
constexpr uint32_t kKeyFrame = 0x10;  // idx1 flag
constexpr size_t kIndexEntryBytes = 16;
constexpr size_t kChunkHeaderBytes = 8;

// The rate as a fraction: whole frame rates exactly, others in microseconds.
void rateOf(uint32_t microSecPerFrame, uint32_t& scale, uint32_t& rate) {
    const uint32_t fps = (1000000 + microSecPerFrame / 2) / microSecPerFrame;
    if (fps > 0 && (1000000 + fps / 2) / fps == microSecPerFrame) {
        scale = 1;
        rate = fps;
    } else {
        scale = microSecPerFrame;
        rate = 1000000;
    }
}
}  // namespace

bool AviWriter::open(const std::string& path, const AviParams& params) {
    params_ = params;
    if (params_.microSecPerFrame == 0 || params_.refreshFrames == 0) {
        return false;
    }
    frames_ = 0;
    largestFrame_ = 0;
    index_.clear();
    if (!out_.open(path)) {
        return false;
    }
    // A failed header write shows at the first frame, as a write error.
    writeHeaders();
    return true;
}

void AviWriter::writeHeaders() {
    uint32_t scale = 1;
    uint32_t rate = 1;
    rateOf(params_.microSecPerFrame, scale, rate);
    const uint32_t w = uint32_t(params_.width);
    const uint32_t h = uint32_t(params_.height);

    out_.beginList(fourcc("RIFF"), fourcc("AVI "));
    out_.beginList(fourcc("LIST"), fourcc("hdrl"));
    out_.beginChunk(fourcc("avih"));
    out_.u32(params_.microSecPerFrame);
    maxBytesPerSec_ = out_.field32(0);
    out_.u32(0);  // padding granularity
    flags_ = out_.field32(0);
    totalFrames_ = out_.field32(0);
    out_.u32(0);  // initial frames
    out_.u32(1);  // streams
    suggestedBuffer_ = out_.field32(0);
    out_.u32(w);
    out_.u32(h);
    for (int i = 0; i < 4; ++i) {
        out_.u32(0);  // reserved
    }
    out_.end();

    out_.beginList(fourcc("LIST"), fourcc("strl"));
    out_.beginChunk(fourcc("strh"));
    out_.u32(fourcc("vids"));
    out_.u32(fourcc("MJPG"));  // handler
    out_.u32(0);               // flags
    out_.u16(0);               // priority
    out_.u16(0);               // language
    out_.u32(0);               // initial frames
    out_.u32(scale);
    out_.u32(rate);
    out_.u32(0);  // start
    streamLength_ = out_.field32(0);
    streamSuggestedBuffer_ = out_.field32(0);
    out_.u32(0xFFFFFFFF);  // quality: the codec's default
    out_.u32(0);           // sample size: frames vary
    out_.u16(0);           // frame rectangle: left, top, right, bottom
    out_.u16(0);
    out_.u16(uint16_t(w));
    out_.u16(uint16_t(h));
    out_.end();

    out_.beginChunk(fourcc("strf"));
    out_.bytes(formats::encodeBitmapInfoHeader({.width = params_.width,
                                                .height = params_.height,
                                                .bitCount = 24,
                                                .compression = fourcc("MJPG"),
                                                .sizeImage = w * h * 3}));
    out_.end();
    out_.end();  // strl
    out_.end();  // hdrl

    out_.beginList(fourcc("LIST"), fourcc("movi"));
    moviStart_ = out_.position() - 4;
    out_.patchOpenSizes();
}

AviWriter::Added AviWriter::addFrame(std::span<const uint8_t> jpeg) {
    if (!out_.ok()) {
        return Added::Failed;
    }
    const uint64_t chunkBytes = kChunkHeaderBytes + jpeg.size() + jpeg.size() % 2;
    const uint64_t indexBytes = kChunkHeaderBytes + (index_.size() / 2 + 1) * kIndexEntryBytes;
    if (out_.position() + chunkBytes + indexBytes > params_.maxBytes) {
        return Added::Full;
    }
    index_.push_back(uint32_t(out_.position() - moviStart_));
    index_.push_back(uint32_t(jpeg.size()));
    out_.chunk(fourcc("00dc"), jpeg);
    if (!out_.ok()) {
        return Added::Failed;
    }
    ++frames_;
    if (jpeg.size() > largestFrame_) {
        largestFrame_ = uint32_t(jpeg.size());
    }
    if (frames_ % params_.refreshFrames == 0 && !refreshHeaders()) {
        return Added::Failed;
    }
    return Added::Ok;
}

bool AviWriter::refreshHeaders() {
    const uint32_t buffer = largestFrame_ + uint32_t(kChunkHeaderBytes);
    const uint64_t moviBytes = out_.position() - moviStart_;
    const uint64_t perSecond =
        frames_ == 0 ? 0 : moviBytes * 1000000 / (uint64_t(frames_) * params_.microSecPerFrame);
    const bool patched = out_.patch(totalFrames_, frames_) && out_.patch(streamLength_, frames_) &&
                         out_.patch(suggestedBuffer_, buffer) &&
                         out_.patch(streamSuggestedBuffer_, buffer) &&
                         out_.patch(maxBytesPerSec_, uint32_t(perSecond));
    out_.patchOpenSizes();
    return patched && out_.ok();
}

bool AviWriter::finish() {
    if (!out_.ok() || !refreshHeaders()) {
        out_.close();
        return false;
    }
    out_.end();  // movi
    out_.beginChunk(fourcc("idx1"));
    std::vector<uint8_t> entries;
    entries.reserve(index_.size() / 2 * kIndexEntryBytes);
    for (size_t i = 0; i + 1 < index_.size(); i += 2) {
        formats::appendLe32(entries, fourcc("00dc"));
        formats::appendLe32(entries, kKeyFrame);
        formats::appendLe32(entries, index_[i]);
        formats::appendLe32(entries, index_[i + 1]);
    }
    out_.bytes(entries);
    out_.end();  // idx1
    if (!out_.patch(flags_, kHasIndex)) {
        out_.close();
        return false;
    }
    out_.end();  // RIFF
    return out_.close();
}

}  // namespace zelkor::vcard
