#pragma once
// YUV4MPEG2 files: 4:2:0, 4:2:2 and monochrome, 8 bits per sample.

#include <cstdint>
#include <memory>
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

    // Indexes the frames of a whole file held in memory (which must outlive
    // this object). False with a reason for anything that is not a usable
    // stream; a cut-off last frame is left out.
    bool parse(std::string_view data, std::string& error);

    int width() const { return width_; }
    int height() const { return height_; }
    Chroma chroma() const { return chroma_; }
    size_t frameCount() const { return frames_.size(); }
    // Planes of frame `index` (< frameCount()).
    Planes frame(size_t index) const;

  private:
    std::string_view data_;
    int width_ = 0;
    int height_ = 0;
    Chroma chroma_ = Chroma::C420;
    int chromaWidth_ = 0;
    int chromaHeight_ = 0;
    std::vector<size_t> frames_;  // offsets of the frame data
};

// A looping file source: every frame shows for two fields.
class Y4mSource : public VideoSource {
  public:
    ~Y4mSource() override;
    static std::unique_ptr<Y4mSource> open(const std::string& path, int fieldRate,
                                           std::string& error);
    void render(uint64_t fieldIndex, Picture& out) override;

  private:
    explicit Y4mSource(int fieldRate) : VideoSource(fieldRate) {}
    void* map_ = nullptr;
    size_t size_ = 0;
    Y4mStream stream_;
};

}  // namespace zelkor::vcard
