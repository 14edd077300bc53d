#pragma once
// A video source feeding one of the decoder's inputs.

#include <cstdint>
#include <memory>
#include <string>

#include "vcard/config.h"
#include "vcard/picture.h"
#include "vcard/scale.h"

namespace zelkor::vcard {

// A file as the file system tells files apart: every name of it (hard or
// symbolic link) gives the same.
struct FileId {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FileId&) const = default;
};

class VideoSource {
  public:
    virtual ~VideoSource() = default;
    int fieldRate() const { return fieldRate_; }
    // Draws the picture of field `fieldIndex` into `out`, whose size the
    // caller has set. Never fails: a source with nothing to show draws black.
    virtual void render(uint64_t fieldIndex, Picture& out) = 0;
    // Only the samples `at` picks from the picture of that field at
    // at.fullWidth x at.fullHeight, into `out` (sized here): the same bytes
    // as rendering the whole picture and picking them, at the cost of the
    // samples alone where the source can make them one by one. The default
    // renders the whole picture.
    virtual void renderSampled(uint64_t fieldIndex, const Sampling& at, Picture& out);
    // Whether the source delivers pictures at all: the decoder sees a
    // signal on its input only while it does.
    virtual bool hasPicture() const { return true; }
    // Whether the source reads `file`, which must then not be written.
    virtual bool readsFile(const FileId& file) const {
        (void)file;
        return false;
    }

  protected:
    explicit VideoSource(int fieldRate) : fieldRate_(fieldRate) {}

  private:
    int fieldRate_;
    Picture whole_;  // the default sampling's scratch
};

// The source a configuration names; null for "none". A source that cannot
// be opened (a missing file, a bad scene name) gives null and a message.
std::unique_ptr<VideoSource> makeSource(const SourceConfig& config, std::string& error);

}  // namespace zelkor::vcard
