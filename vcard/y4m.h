#pragma once
// YUV4MPEG2 files: 4:2:0, 4:2:2 and monochrome, 8 bits per sample.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vcard/scale.h"
#include "vcard/source.h"

namespace zelkor::vcard {

class Y4mStream {
  public:
    enum class Chroma { C420, C422, Mono };

    static constexpr int MaxDimension = 8192;
    static constexpr size_t MaxHeaderLine = 1024;

    // Reads up to out.size() bytes of the stream at `offset`; the number
    // read, fewer at its end or when it cannot be read.
    using ReadAt = std::function<size_t(uint64_t offset, std::span<uint8_t> out)>;

    // Indexes the frames of the first `size` bytes that `read` gives. False
    // with a reason for anything that is not a usable stream; a cut-off last
    // frame is left out. Frames are read only when asked for, so the stream
    // may change afterwards: readFrame then says so.
    bool parse(ReadAt read, uint64_t size, std::string& error);
    // The same over a whole stream held in memory (which must outlive this
    // object).
    bool parse(std::string_view data, std::string& error);

    int width() const { return width_; }
    int height() const { return height_; }
    Chroma chroma() const { return chroma_; }
    size_t frameCount() const { return frames_.size(); }
    // Reads frame `index` (< frameCount()) into `buffer`, which `planes`
    // then point into. False when the stream no longer holds a frame there
    // (cut short or rewritten since it was indexed).
    bool readFrame(size_t index, std::vector<uint8_t>& buffer, Planes& planes) const;

  private:
    // Where a frame's "FRAME" line starts, and its length with the '\n';
    // the frame's samples follow it.
    struct FrameAt {
        uint64_t offset = 0;
        size_t headerBytes = 0;
    };

    ReadAt read_;
    int width_ = 0;
    int height_ = 0;
    Chroma chroma_ = Chroma::C420;
    int chromaWidth_ = 0;
    int chromaHeight_ = 0;
    size_t frameBytes_ = 0;
    std::vector<FrameAt> frames_;
};

// A looping file source: every frame shows for two fields. Frames are read
// from the open file as they are shown, so a file cut short or rewritten
// while in use shows black where its frames are gone.
class Y4mSource : public VideoSource {
  public:
    ~Y4mSource() override;
    static std::unique_ptr<Y4mSource> open(const std::string& path, int fieldRate,
                                           std::string& error);
    void render(uint64_t fieldIndex, Picture& out) override;
    void renderSampled(uint64_t fieldIndex, const Sampling& at, Picture& out) override;
    bool readsFile(const FileId& file) const override { return file == file_; }

  private:
    explicit Y4mSource(int fieldRate) : VideoSource(fieldRate) {}
    int fd_ = -1;
    FileId file_;
    Y4mStream stream_;
    std::vector<uint8_t> frame_;
};

}  // namespace zelkor::vcard
