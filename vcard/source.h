#pragma once
// A video source feeding one of the decoder's inputs.

#include <cstdint>
#include <memory>
#include <string>

#include "vcard/config.h"
#include "vcard/picture.h"

namespace zelkor::vcard {

class VideoSource {
  public:
    virtual ~VideoSource() = default;
    int fieldRate() const { return fieldRate_; }
    // Draws the picture of field `fieldIndex` into `out`, whose size the
    // caller has set. Never fails: a source with nothing to show draws black.
    virtual void render(uint64_t fieldIndex, Picture& out) = 0;

  protected:
    explicit VideoSource(int fieldRate) : fieldRate_(fieldRate) {}

  private:
    int fieldRate_;
};

// The source a configuration names; null for "none". A source that cannot
// be opened (a missing file, a bad scene name) gives null and a message.
std::unique_ptr<VideoSource> makeSource(const SourceConfig& config, std::string& error);

}  // namespace zelkor::vcard
