#include "vcard/avi_writer.h"

#include "platform/capture_driver.h"

namespace zelkor::vcard {

namespace {
using platform::fourcc;

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
    out_.u32("avih.dwMicroSecPerFrame", params_.microSecPerFrame);
    out_.u32("avih.dwMaxBytesPerSec", 0);
    out_.u32("avih.dwPaddingGranularity", 0);
    out_.u32("avih.dwFlags", 0);
    out_.u32("avih.dwTotalFrames", 0);
    out_.u32("avih.dwInitialFrames", 0);
    out_.u32("avih.dwStreams", 1);
    out_.u32("avih.dwSuggestedBufferSize", 0);
    out_.u32("avih.dwWidth", w);
    out_.u32("avih.dwHeight", h);
    for (int i = 0; i < 4; ++i) {
        out_.u32("avih.dwReserved", 0);
    }
    out_.end();

    out_.beginList(fourcc("LIST"), fourcc("strl"));
    out_.beginChunk(fourcc("strh"));
    out_.u32("strh.fccType", fourcc("vids"));
    out_.u32("strh.fccHandler", fourcc("MJPG"));
    out_.u32("strh.dwFlags", 0);
    out_.u16("strh.wPriority", 0);
    out_.u16("strh.wLanguage", 0);
    out_.u32("strh.dwInitialFrames", 0);
    out_.u32("strh.dwScale", scale);
    out_.u32("strh.dwRate", rate);
    out_.u32("strh.dwStart", 0);
    out_.u32("strh.dwLength", 0);
    out_.u32("strh.dwSuggestedBufferSize", 0);
    out_.u32("strh.dwQuality", 0xFFFFFFFF);
    out_.u32("strh.dwSampleSize", 0);
    out_.u16("strh.rcFrame.left", 0);
    out_.u16("strh.rcFrame.top", 0);
    out_.u16("strh.rcFrame.right", uint16_t(w));
    out_.u16("strh.rcFrame.bottom", uint16_t(h));
    out_.end();

    out_.beginChunk(fourcc("strf"));
    out_.u32("strf.biSize", 40);
    out_.u32("strf.biWidth", w);
    out_.u32("strf.biHeight", h);
    out_.u16("strf.biPlanes", 1);
    out_.u16("strf.biBitCount", 24);
    out_.u32("strf.biCompression", fourcc("MJPG"));
    out_.u32("strf.biSizeImage", w * h * 3);
    out_.u32("strf.biXPelsPerMeter", 0);
    out_.u32("strf.biYPelsPerMeter", 0);
    out_.u32("strf.biClrUsed", 0);
    out_.u32("strf.biClrImportant", 0);
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
    if (frames_ % params_.refreshFrames == 0) {
        refreshHeaders();
    }
    return out_.ok() ? Added::Ok : Added::Failed;
}

void AviWriter::refreshHeaders() {
    out_.patch("avih.dwTotalFrames", frames_);
    out_.patch("strh.dwLength", frames_);
    out_.patch("avih.dwSuggestedBufferSize", largestFrame_ + uint32_t(kChunkHeaderBytes));
    out_.patch("strh.dwSuggestedBufferSize", largestFrame_ + uint32_t(kChunkHeaderBytes));
    const uint64_t moviBytes = out_.position() - moviStart_;
    const uint64_t perSecond =
        frames_ == 0 ? 0 : moviBytes * 1000000 / (uint64_t(frames_) * params_.microSecPerFrame);
    out_.patch("avih.dwMaxBytesPerSec", uint32_t(perSecond));
    out_.patchOpenSizes();
}

bool AviWriter::finish() {
    if (!out_.ok()) {
        out_.close();
        return false;
    }
    refreshHeaders();
    out_.end();  // movi
    out_.beginChunk(fourcc("idx1"));
    std::vector<uint8_t> entries;
    entries.reserve(index_.size() / 2 * kIndexEntryBytes);
    auto put = [&entries](uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            entries.push_back(uint8_t(v >> (8 * i)));
        }
    };
    for (size_t i = 0; i + 1 < index_.size(); i += 2) {
        put(fourcc("00dc"));
        put(kKeyFrame);
        put(index_[i]);
        put(index_[i + 1]);
    }
    out_.bytes("idx1.entries", entries);
    out_.end();  // idx1
    out_.patch("avih.dwFlags", kHasIndex);
    out_.end();  // RIFF
    return out_.close();
}

}  // namespace zelkor::vcard
